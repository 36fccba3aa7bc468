#include "WindowFixture.h"

#include "checksum/DigestText.h"
#include "scl/SCLmd5.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sumtide::Test {

std::string UnreadableFile() {
  const std::string Path = "/sys/class/net/lo/speed";
  struct stat Info;
  if (::stat(Path.c_str(), &Info) != 0 || !S_ISREG(Info.st_mode))
    return {};
  const int Fd = ::open(Path.c_str(), O_RDONLY);
  if (Fd < 0)
    return {};
  char Byte;
  const bool Fails = ::read(Fd, &Byte, 1) < 0;
  ::close(Fd);
  return Fails ? Path : std::string();
}

std::string Md5Text(const std::string& Content) {
  TSCL_md5 Hash(nullptr);
  Hash.Init();
  Hash.UpdateStr(Content);
  std::uint8_t Digest[16];
  Hash.Final(Digest);
  return Checksum::DigestText(Digest, Checksum::TLetterCase::Upper);
}

} // namespace Sumtide::Test

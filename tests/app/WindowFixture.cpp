#include "WindowFixture.h"

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

} // namespace Sumtide::Test

#include "WindowFixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace Sumtide::Test {

void WindowFixture::SetUp() {
  char Template[] = "/tmp/sumtide-window-XXXXXX";
  ASSERT_NE(::mkdtemp(Template), nullptr);
  Dir = Template;
  RegisterUnit1();
  App = std::make_unique<TApplication>(Kit);
  App->SetTitle("Sumtide");
  App->CreateForm(Form1);
  ASSERT_NE(Form1, nullptr);
}

void WindowFixture::TearDown() {
  App.reset();
  Form1 = nullptr;
  std::filesystem::remove_all(Dir);
}

std::string WindowFixture::MakeFile(const std::string& Name, const std::string& Content) const {
  const std::string Path = PathOf(Name);
  std::ofstream(Path, std::ios::binary) << Content;
  return Path;
}

std::string WindowFixture::MakeSparseFile(const std::string& Name, std::int64_t Size) const {
  const std::string Path = PathOf(Name);
  std::ofstream(Path, std::ios::binary).close();
  std::filesystem::resize_file(Path, static_cast<std::uintmax_t>(Size));
  return Path;
}

std::string WindowFixture::UnreadableFile() {
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

TWindowState WindowFixture::State() const {
  return {Text("Edit1"), Writes("Edit1"), Enabled("Button3"), Kit.MessageBoxes.size(),
          Form1->ComponentCount()};
}

void WindowFixture::Calculate(const std::string& FileName) {
  ASSERT_TRUE(Kit.Type("Edit3", FileName));
  ASSERT_TRUE(Kit.Click("Button1"));
}

void WindowFixture::Compare(const std::string& Expected) {
  ASSERT_TRUE(Kit.Type("Edit2", Expected));
  ASSERT_TRUE(Kit.Click("Button3"));
}

} // namespace Sumtide::Test

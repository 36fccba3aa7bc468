#include "WindowFixture.h"

#include <cstdlib>
#include <fstream>

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

void WindowFixture::Calculate(const std::string& FileName) {
  ASSERT_TRUE(Kit.Type("Edit3", FileName));
  ASSERT_TRUE(Kit.Click("Button1"));
}

} // namespace Sumtide::Test

#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace Sumtide::Test {

// A new folder under /tmp for one test, removed with everything in it when the test ends.
class TTempDir {
public:
  explicit TTempDir(const std::string& Prefix) {
    std::string Template = "/tmp/" + Prefix + "-XXXXXX";
    if (::mkdtemp(Template.data()) == nullptr)
      throw std::runtime_error("cannot make a temporary folder from " + Template);
    FPath = Template;
  }
  ~TTempDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

private:
  std::filesystem::path FPath;
};

} // namespace Sumtide::Test

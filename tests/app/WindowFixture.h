#pragma once

#include "HashChecks.h"
#include "TempDir.h"
#include "ToolkitPrinters.h"
#include "app/Unit1.h"
#include "forms/Application.h"
#include "toolkit/headless/HeadlessToolkit.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

namespace Sumtide::Headless {
inline void PrintTo(const TMessageBoxRecord& Box, std::ostream* Out) {
  *Out << "{\"" << Box.Text << "\", \"" << Box.Caption << "\", ";
  Toolkit::PrintTo(Box.Kind, Out);
  *Out << "}";
}
} // namespace Sumtide::Headless

namespace Sumtide::Test {

// What the checksum command can change in the window, for the cases where it must change nothing.
struct TWindowState {
  std::string Checksum;
  int ChecksumWrites;
  bool CompareEnabled;
  std::size_t MessageBoxes;
  int Components; // owned by Form1
  friend bool operator==(const TWindowState&, const TWindowState&) = default;
  friend std::ostream& operator<<(std::ostream& Out, const TWindowState& S) {
    return Out << "{Edit1 \"" << S.Checksum << "\" written " << S.ChecksumWrites << "x, Comparer "
               << (S.CompareEnabled ? "on" : "off") << ", " << S.MessageBoxes << " boxes, "
               << S.Components << " components}";
  }
};

// A regular file that opens but fails to read, or empty when this system offers none: Linux
// refuses to read the link speed of the loopback interface.
std::string UnreadableFile();

// The checksum window on a headless toolkit (TKit: the plain one, or one derived from it that
// plants faults), created as the program creates it, and a temporary folder for the files it is
// pointed at.
template <typename TKit> class TWindowFixtureOf : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterUnit1();
    App = std::make_unique<TApplication>(Kit);
    App->SetTitle("Sumtide");
    App->CreateForm(Form1);
    ASSERT_NE(Form1, nullptr);
  }
  void TearDown() override {
    App.reset();
    Form1 = nullptr;
  }

  // Writes Content to a new file in the temporary folder and returns its full path.
  std::string MakeFile(const std::string& Name, const std::string& Content) const {
    const std::string Path = PathOf(Name);
    std::ofstream(Path, std::ios::binary) << Content;
    return Path;
  }
  std::string PathOf(const std::string& Name) const { return (Dir / Name).string(); }
  // A new file of Size zero bytes that takes no room on disk, for the large-file cases.
  std::string MakeSparseFile(const std::string& Name, std::int64_t Size) const {
    const std::string Path = PathOf(Name);
    std::ofstream(Path, std::ios::binary).close();
    std::filesystem::resize_file(Path, static_cast<std::uintmax_t>(Size));
    return Path;
  }

  // What the user sees.
  std::string Text(const char* Name) const { return Kit.Get(Name).GetText(); }
  bool Enabled(const char* Name) const { return Kit.Get(Name).Enabled(); }
  // How often the program wrote the control's text.
  int Writes(const char* Name) const { return Kit.Get(Name).TextWrites(); }
  TWindowState State() const {
    return {Text("Edit1"), Writes("Edit1"), Enabled("Button3"), Kit.MessageBoxes.size(),
            Form1->ComponentCount()};
  }

  // The user types a file name and presses "Calculer".
  void Calculate(const std::string& FileName) {
    ASSERT_TRUE(Kit.Type("Edit3", FileName));
    ASSERT_TRUE(Kit.Click("Button1"));
  }
  // The user types an expected checksum and presses "Comparer".
  void Compare(const std::string& Expected) {
    ASSERT_TRUE(Kit.Type("Edit2", Expected));
    ASSERT_TRUE(Kit.Click("Button3"));
  }

  TTempDir Temp{"sumtide-window"};
  const std::filesystem::path Dir = Temp.Path();
  TKit Kit;
  std::unique_ptr<TApplication> App;
};

using WindowFixture = TWindowFixtureOf<Headless::THeadlessToolkit>;

} // namespace Sumtide::Test

#pragma once

#include "app/Unit1.h"
#include "forms/Application.h"
#include "toolkit/headless/HeadlessToolkit.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

namespace Sumtide::Headless {
inline void PrintTo(const TMessageBoxRecord& Box, std::ostream* Out) {
  *Out << "{\"" << Box.Text << "\", \"" << Box.Caption << "\", " << Box.Flags << "}";
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

// The checksum window on the headless toolkit, created as the program creates it, and a
// temporary folder for the files it is pointed at.
class WindowFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Writes Content to a new file in the temporary folder and returns its full path.
  std::string MakeFile(const std::string& Name, const std::string& Content) const;
  std::string PathOf(const std::string& Name) const { return (Dir / Name).string(); }
  // A new file of Size zero bytes that takes no room on disk, for the large-file cases.
  std::string MakeSparseFile(const std::string& Name, std::int64_t Size) const;
  // A regular file that opens but fails to read, or empty when this system offers none: Linux
  // refuses to read the link speed of the loopback interface.
  static std::string UnreadableFile();

  // What the user sees.
  std::string Text(const char* Name) const { return Kit.Get(Name).GetText(); }
  bool Enabled(const char* Name) const { return Kit.Get(Name).Enabled(); }
  // How often the program wrote the control's text.
  int Writes(const char* Name) const { return Kit.Get(Name).TextWrites(); }
  TWindowState State() const;

  // The user types a file name and presses "Calculer".
  void Calculate(const std::string& FileName);
  // The user types an expected checksum and presses "Comparer".
  void Compare(const std::string& Expected);

  Headless::THeadlessToolkit Kit;
  std::unique_ptr<TApplication> App;
  std::filesystem::path Dir;
};

} // namespace Sumtide::Test

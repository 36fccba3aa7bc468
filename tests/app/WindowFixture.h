#pragma once

#include "app/Unit1.h"
#include "forms/Application.h"
#include "toolkit/headless/HeadlessToolkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace Sumtide::Test {

// The checksum window on the headless toolkit, created as the program creates it, and a
// temporary folder for the files it is pointed at.
class WindowFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Writes Content to a new file in the temporary folder and returns its full path.
  std::string MakeFile(const std::string& Name, const std::string& Content) const;
  std::string PathOf(const std::string& Name) const { return (Dir / Name).string(); }

  // What the user sees.
  std::string Text(const char* Name) const { return Kit.Get(Name).GetText(); }
  bool Enabled(const char* Name) const { return Kit.Get(Name).Enabled(); }

  // The user types a file name and presses "Calculer".
  void Calculate(const std::string& FileName);

  Headless::THeadlessToolkit Kit;
  std::unique_ptr<TApplication> App;
  std::filesystem::path Dir;
};

} // namespace Sumtide::Test

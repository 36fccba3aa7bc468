#pragma once

#include "rtl/Component.h"

#include <cstdint>
#include <string>

namespace Sumtide {

// Bits of TOpenDialog's Options.
constexpr std::uint32_t ofReadOnly = 1, ofOverwritePrompt = 2, ofHideReadOnly = 4,
                        ofAllowMultiSelect = 8, ofPathMustExist = 16, ofFileMustExist = 32,
                        ofEnableSizing = 64;

// The platform's file-open dialog, modal and owned by the application window. FileName and
// FilterIndex keep what the last run chose.
class TOpenDialog : public TComponent {
public:
  explicit TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}
  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  static constexpr std::int32_t DefaultFilterIndex = 1;
  static constexpr std::uint32_t DefaultOptions = ofHideReadOnly | ofEnableSizing;

  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& V) { FFilter = V; }
  std::int32_t FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(std::int32_t V) { FFilterIndex = V; }
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& V) { FFileName = V; }
  std::uint32_t Options() const { return FOptions; }
  void SetOptions(std::uint32_t V) { FOptions = V; }

  // Runs the dialog; true when the user chose a file.
  bool Execute();

private:
  std::string FFilter;
  std::int32_t FFilterIndex = DefaultFilterIndex;
  std::string FFileName;
  std::uint32_t FOptions = DefaultOptions;
};

} // namespace Sumtide

#pragma once

// Element names of the enumerations and sets that controls publish, in ordinal order.

#include <array>
#include <string_view>

namespace Sumtide::PropertyNames {

inline constexpr std::array<std::string_view, 6> Colors = {"clDefault",    "clBtnFace", "clWindow",
                                                           "clWindowText", "clWhite",   "clGray"};
inline constexpr std::array<std::string_view, 2> Cursors = {"crDefault", "crHandPoint"};
inline constexpr std::array<std::string_view, 2> Charsets = {"ANSI_CHARSET", "DEFAULT_CHARSET"};
inline constexpr std::array<std::string_view, 4> FontStyles = {"fsBold", "fsItalic", "fsUnderline",
                                                               "fsStrikeOut"};
inline constexpr std::array<std::string_view, 8> Positions = {
    "poDesigned",     "poDefault",       "poDefaultPosOnly", "poDefaultSizeOnly",
    "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"};
inline constexpr std::array<std::string_view, 6> BorderStyles = {
    "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"};
inline constexpr std::array<std::string_view, 4> BorderIcons = {"biSystemMenu", "biMinimize",
                                                                "biMaximize", "biHelp"};
inline constexpr std::array<std::string_view, 7> OpenOptions = {
    "ofReadOnly",      "ofOverwritePrompt", "ofHideReadOnly", "ofAllowMultiSelect",
    "ofPathMustExist", "ofFileMustExist",   "ofEnableSizing"};

} // namespace Sumtide::PropertyNames

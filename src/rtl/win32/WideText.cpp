#include "rtl/win32/WideText.h"

#include <windows.h>

namespace Sumtide {

std::optional<std::wstring> Utf8ToWide(const std::string& Text) {
  if (Text.empty())
    return std::wstring();
  const int Length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(),
                                           static_cast<int>(Text.size()), nullptr, 0);
  if (Length <= 0)
    return std::nullopt;
  std::wstring Result(static_cast<std::size_t>(Length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), static_cast<int>(Text.size()),
                        Result.data(), Length);
  return Result;
}

std::string WideToUtf8(const wchar_t* Text, std::size_t Length) {
  if (Length == 0)
    return {};
  const int Size = ::WideCharToMultiByte(CP_UTF8, 0, Text, static_cast<int>(Length), nullptr, 0,
                                         nullptr, nullptr);
  if (Size <= 0)
    return {};
  std::string Result(static_cast<std::size_t>(Size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, Text, static_cast<int>(Length), Result.data(), Size, nullptr,
                        nullptr);
  return Result;
}

std::wstring Wide(const std::string& Text) {
  return Utf8ToWide(Text).value_or(std::wstring());
}

std::string WideToUtf8(const std::wstring& Text) {
  return WideToUtf8(Text.data(), Text.size());
}

std::optional<std::wstring> SystemFileName(const std::string& Name) {
  if (Name.empty() || Name.find('\0') != std::string::npos)
    return std::nullopt;
  std::optional<std::wstring> Wide = Utf8ToWide(Name);
  if (!Wide)
    return std::nullopt;
  // Already in the form that passes the system's limits untouched.
  if (Wide->starts_with(L"\\\\?\\"))
    return Wide;
  const DWORD Needed = ::GetFullPathNameW(Wide->c_str(), 0, nullptr, nullptr);
  if (Needed == 0)
    return Wide;
  std::wstring Full(Needed, L'\0');
  const DWORD Length = ::GetFullPathNameW(Wide->c_str(), Needed, Full.data(), nullptr);
  if (Length == 0 || Length >= Needed)
    return Wide;
  Full.resize(Length);
  // Short names go to the system as typed, so they mean exactly what they always meant.
  if (Full.size() < MAX_PATH)
    return Wide;
  if (Full.starts_with(L"\\\\")) // \\server\share\...
    return L"\\\\?\\UNC\\" + Full.substr(2);
  return L"\\\\?\\" + Full;
}

std::string SystemErrorMessage(unsigned long Error) {
  wchar_t* Buffer = nullptr;
  const DWORD Length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, Error, 0, reinterpret_cast<wchar_t*>(&Buffer), 0, nullptr);
  std::wstring Text = Length ? std::wstring(Buffer, Length) : std::wstring();
  if (Buffer)
    ::LocalFree(Buffer);
  while (!Text.empty() && (Text.back() == L'\n' || Text.back() == L'\r' || Text.back() == L' '))
    Text.pop_back();
  if (Text.empty())
    return "Error " + std::to_string(Error);
  return WideToUtf8(Text);
}

} // namespace Sumtide

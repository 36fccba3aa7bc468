#pragma once

// UTF-8 inside, UTF-16 at the edge of the Windows wide-character calls.

#include <optional>
#include <string>

namespace Sumtide {

// The UTF-16 form of a UTF-8 text; nothing when the text is not valid UTF-8.
std::optional<std::wstring> Utf8ToWide(const std::string& Text);
// The same for a text that is only shown: empty when the text is not valid UTF-8.
std::wstring Wide(const std::string& Text);
// The UTF-8 form of a UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(const std::wstring& Text);
std::string WideToUtf8(const wchar_t* Text, std::size_t Length);

// The name a file call is given for Name: Name itself while it is short, or its full path with the
// \\?\ prefix when that path is too long for the classic limit of 260 characters. Nothing for a
// name that is empty, holds a NUL or is not valid UTF-8: it names no file.
std::optional<std::wstring> SystemFileName(const std::string& Name);

// The system's text for an error code, without the final line break.
std::string SystemErrorMessage(unsigned long Error);

} // namespace Sumtide

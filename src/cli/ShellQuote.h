#pragma once

#include <string>
#include <string_view>

namespace Sumtide::Cli {

// A file name as the GNU tools show it in messages: as it is when it holds only characters a
// shell takes as they are, else between single quotes, with characters that do not print (and
// bytes that begin no character) written as $'\n' or $'\377' outside them, so that the message
// stays on one line and can be pasted into a shell. A name whose only trouble is a single quote
// among characters that need no escape goes between double quotes instead. Which bytes make a
// printable character is the locale's (LC_CTYPE) answer, as for those tools: in a UTF-8 locale
// "été" is shown as it is; in the C locale its two non-ASCII bytes are escaped.
std::string ShellQuote(std::string_view Name);

// An argument as the GNU tools quote it in their messages ("invalid length: 'x'"): between
// quotes, the typographic ones (U+2018, U+2019) in a UTF-8 locale and apostrophes in any other;
// within them a backslash, the closing quote and what does not print written as C escapes ("\\",
// "\'", "\n", "\177"; a byte that begins no character in octal), so that the message stays on
// one line. On Windows the text is UTF-8 and the quotes are the typographic ones.
std::string LocaleQuote(std::string_view Text);

} // namespace Sumtide::Cli

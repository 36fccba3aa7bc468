#pragma once

#include <string>
#include <string_view>

namespace Sumtide::Cli {

// A file name as the GNU tools show it in messages: as it is when it holds only harmless
// characters, else between single quotes, with control bytes and bytes that are not UTF-8 written
// as $'\n' or $'\377' outside the quotes, so that the message stays on one line and can be pasted
// into a shell.
std::string ShellQuote(std::string_view Name);

} // namespace Sumtide::Cli

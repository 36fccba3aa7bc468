#pragma once

#include <string>

namespace Sumtide::Cli {

// What --help and --version print.
std::string HelpText();
std::string VersionText();

} // namespace Sumtide::Cli

#pragma once

#include "rtl/Exception.h"

#include <string>

namespace Sumtide {

// A form description that cannot be read: the message names the line, as in
// "Line 4: unknown property 'Colour' in TSCL_md5".
class EFormError : public Exception {
public:
  EFormError(int Line, const std::string& What)
      : Exception("Line " + std::to_string(Line) + ": " + What), FLine(Line) {}
  int Line() const { return FLine; }

private:
  int FLine;
};

} // namespace Sumtide

#pragma once

// Known-answer vectors of a hash, kept as data files (tests/scl/data/*.vec): one case a line, the
// message between double quotes, a space, the digest in lower-case hexadecimal; '#' starts a
// comment line.

#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Sumtide::Test {

struct THashVector {
  std::string Message;
  std::string Digest;
};

inline std::vector<THashVector> ReadHashVectors(const std::string& Path) {
  std::ifstream In(Path);
  if (!In)
    throw std::runtime_error("cannot open " + Path);
  std::vector<THashVector> Vectors;
  std::string Line;
  for (int Number = 1; std::getline(In, Line); ++Number) {
    if (Line.empty() || Line[0] == '#')
      continue;
    const std::size_t Close = Line.rfind("\" ");
    if (Line[0] != '"' || Close == std::string::npos || Close == 0 ||
        Line.find_first_not_of("0123456789abcdef", Close + 2) != std::string::npos)
      throw std::runtime_error(Path + ":" + std::to_string(Number) + ": not a vector");
    Vectors.push_back({Line.substr(1, Close - 1), Line.substr(Close + 2)});
  }
  if (Vectors.empty())
    throw std::runtime_error(Path + " holds no vector");
  return Vectors;
}

// The lines of a data file split at spaces, comment lines ('#') and empty ones left out.
inline std::vector<std::vector<std::string>> ReadFields(const std::string& Path) {
  std::ifstream In(Path);
  if (!In)
    throw std::runtime_error("cannot open " + Path);
  std::vector<std::vector<std::string>> Lines;
  for (std::string Line; std::getline(In, Line);) {
    if (Line.empty() || Line[0] == '#')
      continue;
    std::istringstream Words(Line);
    Lines.emplace_back();
    for (std::string W; Words >> W;)
      Lines.back().push_back(W);
  }
  return Lines;
}

// The bytes a text of hexadecimal digit pairs spells.
inline std::vector<std::uint8_t> FromHex(std::string_view Text) {
  std::vector<std::uint8_t> Bytes;
  for (std::size_t I = 0; I + 1 < Text.size(); I += 2)
    Bytes.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(Text.substr(I, 2)), nullptr, 16)));
  return Bytes;
}

} // namespace Sumtide::Test

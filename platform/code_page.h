#pragma once

#include <string>
#include <string_view>

namespace palvex {

// The program's narrow strings are UTF-8 ("ANSI"); names inside archives may be stored in
// the DOS code page 437 ("OEM"). A character with no equivalent becomes "?".
std::string ansiToOem(std::string_view utf8);
std::string oemToAnsi(std::string_view cp437);

} // namespace palvex

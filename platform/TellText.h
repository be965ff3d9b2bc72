#pragma once

#include <string>

namespace orvane {

// `line` with every control character (bytes 0 to 31 and 127) written as
// "\xNN", so that a name holding a line break or an escape sequence cannot
// start a line of its own, or steer a terminal, in whatever reads it.
std::string EscapeControls(const std::string& line);

}  // namespace orvane

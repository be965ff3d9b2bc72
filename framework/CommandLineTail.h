#pragma once

namespace fw {

// The part of a process command line after the program's own path, with
// the blanks that follow the path skipped. The path may be quoted.
const char* SkipProgramPath(const char* commandLine);

}  // namespace fw

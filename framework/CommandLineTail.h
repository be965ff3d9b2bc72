#pragma once

namespace fw {

// The part of a process command line after the program's own path, with
// the blanks that follow the path skipped. The path may be quoted. For the
// command line as the system holds it (wchar_t) and in the code page (char).
template <typename Char>
const Char* SkipProgramPath(const Char* commandLine);

extern template const char* SkipProgramPath(const char*);
extern template const wchar_t* SkipProgramPath(const wchar_t*);

}  // namespace fw

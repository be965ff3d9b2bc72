#pragma once

#include <windows.h>

namespace orvane {

// Windows looks for a DLL in the program's own folder, and then in the
// current directory, before System32: a DLL planted beside an elevated
// program, or in the folder it was started from, would run with its rights.

// Sets the process up before anything beyond kernel32 is loaded: the loader
// takes DLLs from System32 only where Windows can do that (Windows 8, and
// Vista and 7 with update KB2533623); elsewhere every DLL that a run loads
// by name later is loaded from System32 by its full path first; everywhere,
// the current directory leaves the search. Also keeps the system from stopping the run with its
// own critical-error boxes, which would wait forever where nobody sees them.
void SetUpProcess();

// Loads `name` from System32, its own imports searched from there too (the
// altered search path starts at the DLL's folder and never holds the
// program's). Null when it cannot.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace orvane

#include "platform/DllSearch.h"

#include <cstring>

namespace orvane {

namespace {

// The DLLs that the system's own DLLs load by name once the program runs:
// themes, input methods, text services and script shaping, the version and
// desktop-composition helpers, and the DLLs Wine's own load. On systems
// without SetDefaultDllDirectories each is loaded from System32 by its full
// path first, so that a later load by name finds it loaded and takes no
// file of that name from the program's folder. One a system lacks is
// passed over.
const char* const kLoadedLater[] = {
    "imm32.dll",    "uxtheme.dll", "msctf.dll",     "lpk.dll",        "usp10.dll",
    "version.dll",  "dwmapi.dll",  "cryptbase.dll", "comctl32.dll",   "ole32.dll",
    "oleaut32.dll", "rpcrt4.dll",  "sechost.dll",   "combase.dll",    "win32u.dll",
    "ucrtbase.dll", "shcore.dll",  "shlwapi.dll",   "kernelbase.dll",
};

}  // namespace

void SetUpProcess() {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ::SetDllDirectoryA("");
    // Looked up: Windows XP, Vista and 7 without KB2533623 lack it.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
        return;
    }
    // The program's own folder stays first in the search here: nothing
    // that may be loaded by name is left to be found there.
    for (const char* name : kLoadedLater) {
        LoadSystemLibrary(name);
    }
}

HMODULE LoadSystemLibrary(const char* name) {
    char path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    const std::size_t nameLength = std::strlen(name);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH) {
        return nullptr;
    }
    path[length] = '\\';
    std::memcpy(path + length + 1, name, nameLength + 1);
    return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace orvane

#include "platform/DllSearch.h"

#include <cstring>

namespace orvane {

void SetUpProcess() {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Looked up: Windows XP, Vista and 7 without KB2533623 lack it.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    ::SetDllDirectoryA("");
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

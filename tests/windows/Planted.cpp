// A DLL planted under the name of a system DLL: when any process loads it,
// it appends a line naming itself and that process to C:\planted.log. It
// exports nothing, so a program that imports the real DLL's functions from
// it cannot start either. It has no C runtime and imports only kernel32, so
// that it can stand in for msvcrt.dll too.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    char dll[MAX_PATH] = "";
    char program[MAX_PATH] = "";
    GetModuleFileNameA(self, dll, MAX_PATH);
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    char line[2 * MAX_PATH + 8];
    lstrcpyA(line, dll);
    lstrcatA(line, " in ");
    lstrcatA(line, program);
    lstrcatA(line, "\r\n");
    const int length = lstrlenA(line);
    HANDLE log =
        CreateFileA("C:\\planted.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE && length > 0) {
        DWORD written = 0;
        WriteFile(log, line, static_cast<DWORD>(length), &written, nullptr);
        CloseHandle(log);
    }
    return TRUE;
}

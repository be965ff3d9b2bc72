// Looks at the windows of another program for the GUI tests.
//
//   orvane_probe wait <title> <seconds>   waits for a visible top-level
//       window with that title; prints its screen rectangle as
//       "window L T R B" and the client area of its control 1000 as
//       "picture L T R B", or "none" when none appeared in time.
//   orvane_probe syscommand <title> <id>  sends a system command to the
//       window with that title without waiting for it to be handled.
//   orvane_probe hold <path> <seconds>    opens a file with no sharing,
//       prints "held", keeps it open for the given time, then closes it.
//   orvane_probe forge <title>            as another process on the desktop
//       would: sets every window property of the window with that title and
//       of its control 1000 to a made-up address, and its dialog slot too,
//       sends it a WM_INITDIALOG carrying that address, and makes both
//       repaint; prints "forged N" with the number of properties written.
//   orvane_probe shellcopy <from> <to> ... copies each pair with the
//       shell's silent file operation, as installers did before Orvane
//       copied for itself; prints the milliseconds it took in all.

#include <windows.h>
// shellapi.h needs the types windows.h declares.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Wait(const char* title, int seconds) {
    for (int tick = 0; tick < seconds * 10; ++tick) {
        HWND window = FindWindowA(nullptr, title);
        if (window != nullptr && IsWindowVisible(window)) {
            Sleep(500);  // let it finish painting
            RECT frame;
            GetWindowRect(window, &frame);
            std::printf("window %ld %ld %ld %ld\n", frame.left, frame.top, frame.right,
                        frame.bottom);
            HWND picture = GetDlgItem(window, 1000);
            if (picture != nullptr) {
                RECT client;
                GetClientRect(picture, &client);
                POINT origin = {0, 0};
                ClientToScreen(picture, &origin);
                std::printf("picture %ld %ld %ld %ld\n", origin.x, origin.y,
                            origin.x + client.right, origin.y + client.bottom);
            }
            std::fflush(stdout);
            return 0;
        }
        Sleep(100);
    }
    std::printf("none\n");
    return 1;
}

int Hold(const char* path, int seconds) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    CloseHandle(file);
    return 0;
}

int SysCommand(const char* title, int id) {
    HWND window = FindWindowA(nullptr, title);
    if (window == nullptr) {
        std::printf("none\n");
        return 1;
    }
    PostMessageA(window, WM_SYSCOMMAND, static_cast<WPARAM>(id), 0);
    return 0;
}

BOOL CALLBACK ForgeProperty(HWND window, LPSTR name, HANDLE, ULONG_PTR count) {
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0) {  // named, not an atom
        SetPropA(window, name,
                 reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x4141414141414141ull)));
        ++*reinterpret_cast<int*>(count);
    }
    return TRUE;
}

int Forge(const char* title) {
    HWND dialog = FindWindowA(nullptr, title);
    if (dialog == nullptr) {
        std::printf("none\n");
        return 1;
    }
    const auto madeUp = static_cast<ULONG_PTR>(0x4141414141414141ull);
    int count = 0;
    for (HWND window : {dialog, GetDlgItem(dialog, 1000)}) {
        EnumPropsExA(window, ForgeProperty, reinterpret_cast<LPARAM>(&count));
        SetPropA(window, "fw.CWnd", reinterpret_cast<HANDLE>(madeUp));
    }
    SetWindowLongPtrA(dialog, DWLP_USER, static_cast<LONG_PTR>(madeUp));
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(dialog, WM_INITDIALOG, 0, static_cast<LPARAM>(madeUp), SMTO_ABORTIFHUNG,
                        5000, &answer);
    for (HWND window : {dialog, GetDlgItem(dialog, 1000)}) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    }
    std::printf("forged %d\n", count);
    return 0;
}

int ShellCopy(int pairs, char** paths) {
    const DWORD start = GetTickCount();
    int status = 0;
    for (int i = 0; i < pairs; ++i) {
        std::string from = paths[2 * i], to = paths[2 * i + 1];
        from.push_back('\0');
        to.push_back('\0');
        SHFILEOPSTRUCTA op = {};
        op.wFunc = FO_COPY;
        op.pFrom = from.c_str();
        op.pTo = to.c_str();
        op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        status |= SHFileOperationA(&op);
    }
    std::printf("%lu\n", GetTickCount() - start);
    return status == 0 ? 0 : 1;
}

}  // namespace

// Holds an event named `name` (another program's object at that name).
int HoldEvent(const char* name, int seconds) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name);
    if (event == nullptr) {
        std::printf("cannot make: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    CloseHandle(event);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "wait") == 0) {
        return Wait(argv[2], std::atoi(argv[3]));
    }
    if (argc == 4 && std::strcmp(argv[1], "syscommand") == 0) {
        return SysCommand(argv[2], std::atoi(argv[3]));
    }
    if (argc == 4 && std::strcmp(argv[1], "event") == 0) {
        return HoldEvent(argv[2], std::atoi(argv[3]));
    }
    if (argc == 4 && std::strcmp(argv[1], "hold") == 0) {
        return Hold(argv[2], std::atoi(argv[3]));
    }
    if (argc == 3 && std::strcmp(argv[1], "forge") == 0) {
        return Forge(argv[2]);
    }
    if (argc >= 4 && argc % 2 == 0 && std::strcmp(argv[1], "shellcopy") == 0) {
        return ShellCopy((argc - 2) / 2, argv + 2);
    }
    std::fprintf(stderr,
                 "usage: orvane_probe wait <title> <seconds> | syscommand <title> <id> | "
                 "hold <path> <seconds> | forge <title> | shellcopy <from> <to> ...\n");
    return 2;
}

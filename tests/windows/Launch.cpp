// Starts a program with a command line taken byte for byte from a file, so
// that blanks and quotes reach it exactly as written, and waits for it.
//
//   orvane_launch <command-line file> <timeout seconds> [option ...]
//
// Prints "exit N" with the program's exit code, or "timeout" after killing
// a program that ran too long (exit code 124). Options:
//   unseen         starts it on a desktop of a window station of its own,
//                  which is not visible: nobody can see its windows, as for
//                  a service or an installer's deferred action in session 0
//   hidden         starts it with SW_HIDE, as quiet runners (nsExec) do
//   output=<file>  gives it <file>, made anew, as standard output and error
//   pipe           with output=: gives it a pipe of 4096 bytes instead, read
//                  only once it has ended (as careless callers do), and
//                  then written to <file>
//   unicode        takes the file as UTF-8 and starts the program with that
//                  text as the system holds it (CreateProcessW), so that it
//                  keeps characters the code page lacks (not with unseen)

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Makes a window station that is not visible, with a desktop in it, and
// returns that desktop's name for STARTUPINFO.lpDesktop. The handles stay
// open, and so the station alive, until this program ends.
const char* MakeUnseenDesktop() {
    HWINSTA station = CreateWindowStationA("OrvaneUnseen", 0, WINSTA_ALL_ACCESS, nullptr);
    HWINSTA ours = GetProcessWindowStation();
    if (station == nullptr || !SetProcessWindowStation(station)) {
        return nullptr;
    }
    HDESK desktop = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(ours);
    return desktop != nullptr ? "OrvaneUnseen\\Default" : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    bool unseen = false, hidden = false, unicode = false, pipe = false;
    const char* output = nullptr;
    bool understood = argc >= 3;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "unseen") == 0) {
            unseen = true;
        } else if (std::strcmp(argv[i], "hidden") == 0) {
            hidden = true;
        } else if (std::strcmp(argv[i], "pipe") == 0) {
            pipe = true;
        } else if (std::strcmp(argv[i], "unicode") == 0) {
            unicode = true;
        } else if (std::strncmp(argv[i], "output=", 7) == 0) {
            output = argv[i] + 7;
        } else {
            understood = false;
        }
    }
    if (!understood) {
        std::fprintf(stderr,
                     "usage: orvane_launch <command-line file> <timeout seconds> "
                     "[unseen] [hidden] [output=<file> [pipe]] [unicode]\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 2;
    }
    std::string commandLine;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        commandLine.append(chunk, n);
    }
    std::fclose(file);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (unseen) {
        const char* desktop = MakeUnseenDesktop();
        if (desktop == nullptr) {
            std::printf("cannot make a window station: error %lu\n", GetLastError());
            return 2;
        }
        startup.lpDesktop = const_cast<char*>(desktop);
    }
    if (hidden) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    HANDLE outputFile = INVALID_HANDLE_VALUE;
    HANDLE pipeEnd = INVALID_HANDLE_VALUE;
    if (output != nullptr) {
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
        if (pipe) {
            if (!CreatePipe(&pipeEnd, &outputFile, &inherited, 4096) ||
                !SetHandleInformation(pipeEnd, HANDLE_FLAG_INHERIT, 0)) {
                outputFile = INVALID_HANDLE_VALUE;
            }
        } else {
            outputFile = CreateFileA(output, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (outputFile == INVALID_HANDLE_VALUE) {
            std::printf("cannot make %s: error %lu\n", output, GetLastError());
            return 2;
        }
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = outputFile;
        startup.hStdError = outputFile;
    }
    PROCESS_INFORMATION process = {};
    bool started = false;
    if (unicode) {
        std::vector<wchar_t> wide(commandLine.size() + 1);
        const int length = MultiByteToWideChar(CP_UTF8, 0, commandLine.data(),
                                               static_cast<int>(commandLine.size()), wide.data(),
                                               static_cast<int>(wide.size()));
        wide[static_cast<std::size_t>(length)] = L'\0';
        STARTUPINFOW wideStartup = {};
        wideStartup.cb = sizeof wideStartup;
        wideStartup.dwFlags = startup.dwFlags;
        wideStartup.wShowWindow = startup.wShowWindow;
        wideStartup.hStdInput = startup.hStdInput;
        wideStartup.hStdOutput = startup.hStdOutput;
        wideStartup.hStdError = startup.hStdError;
        started = CreateProcessW(nullptr, wide.data(), nullptr, nullptr, output != nullptr, 0,
                                 nullptr, nullptr, &wideStartup, &process) != 0;
    } else {
        started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, output != nullptr, 0,
                                 nullptr, nullptr, &startup, &process) != 0;
    }
    if (!started) {
        std::printf("cannot start: error %lu\n", GetLastError());
        return 2;
    }
    CloseHandle(process.hThread);
    const DWORD timeout = static_cast<DWORD>(std::atoi(argv[2])) * 1000;
    if (WaitForSingleObject(process.hProcess, timeout) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 124);
        CloseHandle(process.hProcess);
        std::printf("timeout\n");
        return 124;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (pipeEnd != INVALID_HANDLE_VALUE) {
        CloseHandle(outputFile);
        const HANDLE file = CreateFileA(output, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        char chunk[4096];
        DWORD read = 0, written = 0;
        while (ReadFile(pipeEnd, chunk, sizeof chunk, &read, nullptr) && read > 0) {
            WriteFile(file, chunk, read, &written, nullptr);
        }
        CloseHandle(file);
    }
    std::printf("exit %lu\n", code);
    return static_cast<int>(code);
}

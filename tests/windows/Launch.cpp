// Starts a program with a command line taken byte for byte from a file, so
// that blanks and quotes reach it exactly as written, and waits for it.
//
//   orvane_launch <command-line file> <timeout seconds>
//
// Prints "exit N" with the program's exit code, or "timeout" after killing
// a program that ran too long (exit code 124).

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: orvane_launch <command-line file> <timeout seconds>\n");
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
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
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
    std::printf("exit %lu\n", code);
    return static_cast<int>(code);
}

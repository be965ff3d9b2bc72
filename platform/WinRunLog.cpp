#include "platform/WinRunLog.h"

// RtlGenRandom (advapi32's SystemFunction036, there since Windows XP).
#include <ntsecapi.h>

#include <cstdio>

#include "platform/ExactText.h"

namespace orvane {
namespace {

void WriteText(HANDLE handle, const std::string& text) {
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// The standard error handle the caller gave this process, or else its
// standard output, where that is a file or a pipe; null where neither is.
HANDLE CallerHandle() {
    for (const DWORD which : {STD_ERROR_HANDLE, STD_OUTPUT_HANDLE}) {
        const HANDLE handle = GetStdHandle(which);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
            continue;
        }
        const DWORD type = GetFileType(handle);
        if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
            return handle;
        }
    }
    return nullptr;
}

}  // namespace

std::string RunLog::Start() {
    if (file_.valid()) {
        return std::string();
    }
    // A deferred installer action runs as LocalSystem, whose temporary
    // folder is the system's, one any local user may create files in: the
    // name is 128 random bits, and the file is made new or not at all.
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    unsigned char bits[16];
    if (length == 0 || length > MAX_PATH || !RtlGenRandom(bits, sizeof bits)) {
        return std::string();
    }
    std::wstring path(folder, length);
    path += L"Orvane-";
    for (const unsigned char byte : bits) {
        path += L"0123456789abcdef"[byte >> 4];
        path += L"0123456789abcdef"[byte & 0xF];
    }
    path += L".log";
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    file_.Reset(file);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char started[96];
    std::snprintf(started, sizeof started,
                  "Orvane: run started %04u-%02u-%02u %02u:%02u:%02u, process %lu", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    Write(started);
    std::string text;
    ToCodePageExactly(path.data(), path.size(), &text);
    path_ = text;
    return text;
}

void RunLog::Write(const std::string& line) {
    if (file_.valid()) {
        WriteText(file_.get(), EscapeControls(line) + "\r\n");
    }
}

void RunLog::Tell(const std::string& line) {
    Write(line);
    const std::string text = told_.Admit(line);
    const HANDLE caller = CallerHandle();
    if (!text.empty() && caller != nullptr) {
        WriteText(caller, text);
    }
}

void RunLog::FinishTelling() {
    const std::string text = told_.Closing(path_);
    const HANDLE caller = CallerHandle();
    if (!text.empty() && caller != nullptr) {
        WriteText(caller, text);
    }
}

}  // namespace orvane

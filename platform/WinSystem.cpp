#include "platform/WinSystem.h"

#include <string>

namespace orvane {

Status SystemFailure(DWORD error) {
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        --length;
    }
    if (error == ERROR_SUCCESS) {
        return Status::Failure(0, std::string());
    }
    const std::string code = "error " + std::to_string(error);
    return Status::Failure(static_cast<long>(error),
                           length == 0 ? code : std::string(text, length) + " (" + code + ")");
}

Status LastError() {
    return SystemFailure(GetLastError());
}

Status Checked(BOOL succeeded) {
    return succeeded ? Status() : LastError();
}

void OwnedHandle::Reset(HANDLE handle) {
    if (valid()) {
        CloseHandle(handle_);
    }
    handle_ = handle;
}

}  // namespace orvane

#include "platform/WinTurn.h"

#include <string>

// ConvertStringSecurityDescriptorToSecurityDescriptorW (Windows 2000).
#include <sddl.h>

namespace orvane {
namespace {

const wchar_t* const kTurnName = L"Global\\Orvane.Templates";

// The turn's mutex, opened with only what waiting on it and releasing it
// take, or made where nobody has made it yet, with security that lets
// every account that runs Orvane elevated (the Administrators and
// LocalSystem) do both: one made with an account's default security might
// grant another less.
Status OpenTurn(HANDLE* mutex) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        *mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kTurnName);
        if (*mutex != nullptr) {
            return Status();
        }
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            PSECURITY_DESCRIPTOR security = nullptr;
            if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                    L"D:(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1, &security, nullptr)) {
                return LastError();
            }
            SECURITY_ATTRIBUTES attributes = {sizeof attributes, security, FALSE};
            *mutex = CreateMutexW(&attributes, FALSE, kTurnName);
            error = GetLastError();
            LocalFree(security);
            if (*mutex != nullptr) {
                return Status();
            }
        }
        if (error == ERROR_INVALID_HANDLE) {
            return Status::Failure(static_cast<long>(error),
                                   "something other than Orvane's turn is at the name "
                                   "Global\\Orvane.Templates (" +
                                       SystemFailure(error).reason() + ")");
        }
        if (error == ERROR_ACCESS_DENIED) {
            return Status::Failure(static_cast<long>(error),
                                   "this account may not wait on Orvane's turn, "
                                   "Global\\Orvane.Templates (" +
                                       SystemFailure(error).reason() + ")");
        }
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_ALREADY_EXISTS) {
            return SystemFailure(error);
        }
        // Made or gone between the open and the create: once more.
    }
    return Status::Failure(0, "Orvane's turn could not be opened");
}

}  // namespace

Status Turn::Take() {
    // One name for every session: "Global\\" is there since Windows 2000.
    // Any local user may create it first, or hold it, so the wait is
    // bounded; a run whose earlier holder was killed gets it abandoned,
    // which is a turn like any other.
    constexpr DWORD kWaitMilliseconds = 2 * 60 * 1000;
    if (held_) {
        return Status();
    }
    OwnedHandle mutex;
    Status status = OpenTurn(mutex.put());
    if (!status.ok()) {
        return status;
    }
    const DWORD waited = WaitForSingleObject(mutex.get(), kWaitMilliseconds);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        return waited == WAIT_TIMEOUT
                   ? Status::Failure(WAIT_TIMEOUT,
                                     "another Orvane run did not finish within two minutes")
                   : LastError();
    }
    mutex_.Reset(mutex.release());
    held_ = true;
    return Status();
}

void Turn::GiveBack() {
    if (held_) {
        ReleaseMutex(mutex_.get());
        held_ = false;
    }
    mutex_.Reset();
}

}  // namespace orvane

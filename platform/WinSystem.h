#pragma once

// What the parts of the Windows back end share: a failure in the system's
// own words, and the owner of a kernel handle. Only platform/'s Windows
// files include it.

#include <windows.h>

#include "platform/Env.h"

namespace orvane {

// A failure with the system's code and its words for it.
Status SystemFailure(DWORD error);

// The failure the last Win32 call set, asked right after it.
Status LastError();

// Success, or the failure of a call that returned FALSE.
Status Checked(BOOL succeeded);

// Owns a kernel handle (none is null or INVALID_HANDLE_VALUE), closed when
// it goes or is given another.
class OwnedHandle {
  public:
    explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~OwnedHandle() { Reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Where a call that opens one puts it; anything held is closed first.
    HANDLE* put() {
        Reset();
        return &handle_;
    }
    HANDLE release() {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Reset(HANDLE handle = nullptr);

  private:
    HANDLE handle_;
};

}  // namespace orvane

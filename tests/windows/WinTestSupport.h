#pragma once

// Helpers for the tests that run against the real Windows registry and
// file system: a scratch folder per test, and Visual Studio registrations
// in the registry's 32-bit view.

#include <windows.h>

#include <string>

namespace orvane::testing {

// A fresh folder under the temporary folder, removed with everything in it
// when the object goes.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }  // no final backslash

  private:
    std::string path_;
};

// Holds a file open, sharing only `share` (nothing by default), as another
// program might, until the object goes or lets go.
class HeldOpen {
  public:
    explicit HeldOpen(const std::string& path, DWORD share = 0);
    ~HeldOpen() { LetGo(); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;

    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void LetGo();

  private:
    HANDLE handle_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool PathExists(const std::string& path);
void MakeDirs(const std::string& path);

// Removes every Visual Studio key this program looks at, in both views.
void ClearVisualStudioKeys();
// Writes a value under Software\Microsoft\VisualStudio\<version> in the
// 32-bit view of HKEY_LOCAL_MACHINE, or the 64-bit one.
void SetVisualStudioValue(const std::string& version, const char* name, DWORD type,
                          const void* data, DWORD size, bool view32 = true);

}  // namespace orvane::testing

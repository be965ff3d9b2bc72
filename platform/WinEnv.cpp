#include "platform/WinEnv.h"

#include <windows.h>
// shellapi.h needs the types windows.h declares.
#include <shellapi.h>

#include "platform/DllSearch.h"

namespace orvane {
namespace {

HKEY AsKey(Handle h) {
    return reinterpret_cast<HKEY>(h);
}
HANDLE AsHandle(Handle h) {
    return reinterpret_cast<HANDLE>(h);
}
Handle FromPointer(void* p) {
    return reinterpret_cast<Handle>(p);
}

bool OpenNoShare(const std::string& path, DWORD disposition, Handle* file) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    *file = FromPointer(h);
    return true;
}

// The shell's file operation, from shell32.dll in System32. The program does
// not import the shell: its DLLs would load before the search is set up.
using FileOperationFn = int(WINAPI*)(SHFILEOPSTRUCTA*);
FileOperationFn LoadShellFileOperation() {
    HMODULE shell = LoadSystemLibrary("shell32.dll");
    if (shell == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<FileOperationFn>(
        reinterpret_cast<void*>(::GetProcAddress(shell, "SHFileOperationA")));
}

FileOperationFn ShellFileOperation() {
    static const FileOperationFn function = LoadShellFileOperation();
    return function;
}

bool SetPosition(Handle file, LONGLONG offset, DWORD method) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return SetFilePointerEx(AsHandle(file), distance, nullptr, method) != 0;
}

}  // namespace

long WinEnv::OpenKey(const std::string& subKey, Handle* key) {
    // Visual Studio 7.0 to 10.0 are 32-bit programs and register in the
    // 32-bit view; a 64-bit build would read the other view and find none.
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0,
                                KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened);
    if (status == ERROR_SUCCESS) {
        *key = FromPointer(opened);
    }
    return status;
}

long WinEnv::QueryValue(Handle key, const std::string& name, unsigned char* data,
                        std::uint32_t* size) {
    DWORD bytes = *size;
    LONG status = RegQueryValueExA(AsKey(key), name.c_str(), nullptr, nullptr, data, &bytes);
    *size = bytes;
    return status;
}

void WinEnv::CloseKey(Handle key) {
    RegCloseKey(AsKey(key));
}

bool WinEnv::FindFirst(const std::string& path, Handle* search, std::uint32_t* attributes) {
    WIN32_FIND_DATAA entry;
    HANDLE h = FindFirstFileA(path.c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    *search = FromPointer(h);
    *attributes = entry.dwFileAttributes;
    return true;
}

void WinEnv::CloseFind(Handle search) {
    FindClose(AsHandle(search));
}

bool WinEnv::ListDirectory(const std::string& path, std::vector<DirectoryEntry>* entries) {
    entries->clear();
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            entries->push_back(DirectoryEntry{
                name, found.dwFileAttributes,
                (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow});
        }
    } while (FindNextFileA(search, &found));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    return complete;
}

int WinEnv::FileOperation(FileOp op, const char* from, const char* to, unsigned flags,
                          bool* aborted) {
    SHFILEOPSTRUCTA record = {};
    record.hwnd = nullptr;
    record.wFunc = static_cast<UINT>(op);
    record.pFrom = from;
    record.pTo = to;
    record.fFlags = static_cast<FILEOP_FLAGS>(flags);
    const FileOperationFn fileOperation = ShellFileOperation();
    if (fileOperation == nullptr) {
        *aborted = false;
        return ERROR_MOD_NOT_FOUND;
    }
    int status = fileOperation(&record);
    *aborted = record.fAnyOperationsAborted != FALSE;
    return status;
}

bool WinEnv::CopyFileTo(const std::string& from, const std::string& to, bool failIfExists) {
    return CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != 0;
}

bool WinEnv::DeleteFileAt(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

bool WinEnv::MoveFileOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool WinEnv::OpenForReadWrite(const std::string& path, Handle* file) {
    return OpenNoShare(path, OPEN_EXISTING, file);
}

bool WinEnv::CreateForReadWrite(const std::string& path, Handle* file) {
    return OpenNoShare(path, CREATE_ALWAYS, file);
}

bool WinEnv::Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t* done) {
    DWORD bytes = 0;
    BOOL ok = ReadFile(AsHandle(file), buffer, size, &bytes, nullptr);
    *done = bytes;
    return ok != 0;
}

bool WinEnv::Write(Handle file, const void* data, std::uint32_t size) {
    DWORD bytes = 0;
    return WriteFile(AsHandle(file), data, size, &bytes, nullptr) != 0 && bytes == size;
}

bool WinEnv::SeekTo(Handle file, std::uint64_t offset) {
    return SetPosition(file, static_cast<LONGLONG>(offset), FILE_BEGIN);
}

bool WinEnv::SeekToEnd(Handle file) {
    return SetPosition(file, 0, FILE_END);
}

bool WinEnv::TruncateAtPosition(Handle file) {
    return SetEndOfFile(AsHandle(file)) != 0;
}

bool WinEnv::Flush(Handle file) {
    return FlushFileBuffers(AsHandle(file)) != 0;
}

void WinEnv::CloseFile(Handle file) {
    CloseHandle(AsHandle(file));
}

bool WinEnv::IsInteractive() {
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    HWINSTA station = ::GetProcessWindowStation();
    if (station == nullptr ||
        !::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace orvane

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

// Owns a handle from CreateFile.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Close() {
        if (valid()) {
            CloseHandle(release());
        }
    }

  private:
    HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens the entry itself, folder or file, for its attributes: a link is
// opened as the link where the system can do that. Attribute access takes
// no part in sharing, so a file held open by others can still be looked at.
FileHandle OpenEntry(const std::string& path) {
    return FileHandle(
        CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool IsNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool SameLetters(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string WithoutFinalBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

std::string FullPathOf(const std::string& path) {
    char buffer[4 * MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length == 0 || length >= sizeof buffer ? std::string() : std::string(buffer, length);
}

// The real path of what a handle has open, as "C:\..." or "\\server\...".
// Looked up: Windows XP has no GetFinalPathNameByHandleA.
using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
FinalPathFn FinalPathFunction() {
    static const auto function = reinterpret_cast<FinalPathFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
    return function;
}
std::string FinalPathOf(HANDLE handle) {
    char buffer[4 * MAX_PATH];
    const DWORD length = FinalPathFunction()(handle, buffer, sizeof buffer, 0);
    if (length == 0 || length >= sizeof buffer) {
        return std::string();
    }
    const std::string path(buffer, length);
    if (path.rfind("\\\\?\\UNC\\", 0) == 0) {
        return "\\" + path.substr(7);
    }
    return path.rfind("\\\\?\\", 0) == 0 ? path.substr(4) : path;
}

// What an open entry is: its attributes and how many names it has.
struct EntryFacts {
    DWORD attributes = 0;
    DWORD names = 0;
};

// GetFileInformationByHandleEx (Vista and later, looked up) asks only for
// what is needed; GetFileInformationByHandle also reads the volume's serial
// number, which costs Wine a search of its mounts on every call.
using InformationExFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
bool ReadEntryFacts(HANDLE entry, EntryFacts* facts) {
    static const auto informationEx = reinterpret_cast<InformationExFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFileInformationByHandleEx")));
    if (informationEx != nullptr) {
        constexpr int kBasicInfo = 0;
        constexpr int kStandardInfo = 1;
        FILE_BASIC_INFO basic;
        FILE_STANDARD_INFO standard;
        if (!informationEx(entry, kBasicInfo, &basic, sizeof basic) ||
            !informationEx(entry, kStandardInfo, &standard, sizeof standard)) {
            return false;
        }
        facts->attributes = basic.FileAttributes;
        facts->names = standard.NumberOfLinks;
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(entry, &info)) {
        return false;
    }
    facts->attributes = info.dwFileAttributes;
    facts->names = info.nNumberOfLinks;
    return true;
}

}  // namespace

// The folder others may write, and the one rule for what lies below it:
// an entry counts as itself only when it is no reparse point, a file has
// no second name, and its real path is its path below the folder's real
// path. Where the system cannot tell real paths (Windows XP), no folder on
// the way may be a reparse point instead; XP has junctions, and no links
// to files but hard links.
class TrustedFolder {
  public:
    explicit TrustedFolder(const std::string& root)
        : base_(WithoutFinalBackslashes(FullPathOf(root))) {
        if (!base_.empty() && FinalPathFunction() != nullptr) {
            // The folder itself and what is above it are followed.
            FileHandle folder(CreateFileA((base_ + "\\").c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
            if (folder.valid()) {
                real_ = WithoutFinalBackslashes(FinalPathOf(folder.get()));
            }
        }
    }

    bool IsFor(const std::string& root) const {
        return SameLetters(WithoutFinalBackslashes(FullPathOf(root)), base_);
    }

    // The part of `path` below the folder; false when it is not below it.
    bool Locate(const std::string& path, std::string* relative) const {
        const std::string full = FullPathOf(path);
        if (base_.empty() || full.size() <= base_.size() + 1 || full[base_.size()] != '\\' ||
            !SameLetters(full.substr(0, base_.size()), base_)) {
            return false;
        }
        *relative = full.substr(base_.size() + 1);
        return true;
    }

    std::string PathOf(const std::string& relative) const { return base_ + "\\" + relative; }

    // True when the open entry at `relative` is itself, where it should be.
    bool IsInPlace(HANDLE entry, const std::string& relative) const {
        if (FinalPathFunction() != nullptr) {
            const std::string real = FinalPathOf(entry);
            return !real_.empty() && !real.empty() && SameLetters(real, real_ + "\\" + relative);
        }
        for (std::size_t at = relative.find('\\'); at != std::string::npos;
             at = relative.find('\\', at + 1)) {
            const DWORD attributes = GetFileAttributesA(PathOf(relative.substr(0, at)).c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES ||
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                return false;
            }
        }
        return true;
    }

    // What the open entry at `relative` is.
    EntryKind KindOf(HANDLE entry, const std::string& relative) const {
        EntryFacts facts;
        if (!ReadEntryFacts(entry, &facts) || (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !IsInPlace(entry, relative)) {
            return EntryKind::kLink;
        }
        if (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            return EntryKind::kFolder;
        }
        return facts.names == 1 ? EntryKind::kFile : EntryKind::kLink;
    }

    // What the entry at `relative` is.
    EntryKind Inspect(const std::string& relative) const {
        const FileHandle entry = OpenEntry(PathOf(relative));
        if (!entry.valid()) {
            return IsNotFound(GetLastError()) ? EntryKind::kMissing : EntryKind::kLink;
        }
        return KindOf(entry.get(), relative);
    }

    // Removes whatever entry is at `relative`: a link itself, an empty
    // folder, or a file whose name is its real place. True when nothing is
    // there any more.
    bool Clear(const std::string& relative) const {
        const std::string full = PathOf(relative);
        const DWORD attributes = GetFileAttributesA(full.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return IsNotFound(GetLastError());
        }
        // The system removes a reparse point itself, never what it leads to.
        if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(full.c_str()) != 0
                                                           : DeleteFileA(full.c_str()) != 0;
        }
        // A link that looks like a plain file (Wine shows them so) would
        // take the file it leads to with it: such a name is left alone.
        FileHandle entry = OpenEntry(full);
        if (!entry.valid() || !IsInPlace(entry.get(), relative)) {
            return false;
        }
        entry.Close();
        return DeleteFileA(full.c_str()) != 0;
    }

  private:
    std::string base_;  // the folder's full path, no final backslash
    std::string real_;  // its real path, where the system can tell
};

namespace {

// Opens `path` below `root` with no sharing and keeps the handle only when
// what it opened is a file in its place.
bool OpenInPlace(const TrustedFolder& folder, const std::string& path, DWORD disposition,
                 Handle* file) {
    std::string relative;
    if (!folder.Locate(path, &relative)) {
        return false;
    }
    if (disposition == CREATE_NEW) {
        const std::size_t slash = relative.rfind('\\');
        const bool inFolderInPlace =
            slash == std::string::npos ||
            folder.Inspect(relative.substr(0, slash)) == EntryKind::kFolder;
        if (!inFolderInPlace || !folder.Clear(relative)) {
            return false;
        }
    }
    FileHandle opened(CreateFileA(folder.PathOf(relative).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!opened.valid() || folder.KindOf(opened.get(), relative) != EntryKind::kFile) {
        return false;
    }
    *file = FromPointer(opened.release());
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

WinEnv::WinEnv() = default;
WinEnv::~WinEnv() = default;

// A run looks below one or two folders many times: each is resolved once.
// Only the folder itself and what is above it are kept, and those are the
// installer's choice; everything below is looked at anew every time.
const TrustedFolder& WinEnv::FolderFor(const std::string& root) {
    for (const auto& folder : folders_) {
        if (folder->IsFor(root)) {
            return *folder;
        }
    }
    folders_.push_back(std::make_unique<TrustedFolder>(root));
    return *folders_.back();
}

EntryKind WinEnv::InspectBelow(const std::string& root, const std::string& path) {
    const TrustedFolder& folder = FolderFor(root);
    std::string relative;
    return folder.Locate(path, &relative) ? folder.Inspect(relative) : EntryKind::kLink;
}

bool WinEnv::OpenForReadWrite(const std::string& root, const std::string& path, Handle* file) {
    return OpenInPlace(FolderFor(root), path, OPEN_EXISTING, file);
}

bool WinEnv::CreateNewForReadWrite(const std::string& root, const std::string& path, Handle* file) {
    return OpenInPlace(FolderFor(root), path, CREATE_NEW, file);
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

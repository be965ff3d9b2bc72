#include "platform/WinEnv.h"

#include <windows.h>
// winternl.h needs the types windows.h declares.
#include <winternl.h>
// RtlGenRandom (advapi32's SystemFunction036, there since Windows XP).
#include <ntsecapi.h>

#include <cstdio>
#include <vector>

#include "platform/DeviceNames.h"
#include "platform/ExactText.h"
#include "platform/TellText.h"

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

// Owns a kernel handle.
class OwnedHandle {
  public:
    explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~OwnedHandle() { Close(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE* put() {
        Close();
        return &handle_;
    }
    HANDLE release() {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Close() {
        if (valid()) {
            CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

  private:
    HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// --- The native calls that work through a folder's handle ----------------------------
//
// In ntdll since Windows NT 3.1, so on Windows XP too; looked up, as the
// Win32 layer offers no open relative to a folder.

// ERROR_STOPPED_ON_SYMLINK: an entry that is not itself where its name is.
constexpr DWORD kErrorStoppedOnSymlink = 681;
constexpr NTSTATUS kStatusNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
constexpr NTSTATUS kStatusNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
constexpr NTSTATUS kStatusPathNotFound = static_cast<NTSTATUS>(0xC000003AL);
constexpr NTSTATUS kStatusSharingViolation = static_cast<NTSTATUS>(0xC0000043L);
constexpr ULONG kFileOpen = 1;
constexpr ULONG kFileCreate = 2;
constexpr ULONG kDirectoryFile = 0x1;
constexpr ULONG kSynchronousIo = 0x20;
constexpr ULONG kNonDirectoryFile = 0x40;
constexpr ULONG kOpenReparsePoint = 0x200000;
constexpr int kDirectoryInformation = 1;
constexpr int kBasicInformation = 4;
constexpr int kStandardInformation = 5;
constexpr int kRenameInformation = 10;
constexpr int kDispositionInformation = 13;

struct DirectoryRecord {  // FILE_DIRECTORY_INFORMATION
    ULONG NextEntryOffset;
    ULONG FileIndex;
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime;
    LARGE_INTEGER EndOfFile, AllocationSize;
    ULONG FileAttributes;
    ULONG FileNameLength;
    WCHAR FileName[1];
};
struct BasicRecord {  // FILE_BASIC_INFORMATION
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime;
    ULONG FileAttributes;
};
struct StandardRecord {  // FILE_STANDARD_INFORMATION
    LARGE_INTEGER AllocationSize, EndOfFile;
    ULONG NumberOfLinks;
    BOOLEAN DeletePending, Directory;
};
struct RenameRecord {  // FILE_RENAME_INFORMATION with room for the name
    BOOLEAN ReplaceIfExists;
    HANDLE RootDirectory;
    ULONG FileNameLength;
    WCHAR FileName[MAX_PATH];
};

using CreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                      PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using QueryDirectoryFn = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID,
                                          ULONG, int, BOOLEAN, PUNICODE_STRING, BOOLEAN);
using InformationFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);
using EqualStringFn = BOOLEAN(NTAPI*)(PCUNICODE_STRING, PCUNICODE_STRING, BOOLEAN);
using StatusToErrorFn = ULONG(NTAPI*)(NTSTATUS);
// Vista and later; without it an entry is decided on its reparse bit and
// its link count alone.
using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

struct Native {
    CreateFileFn createFile;
    QueryDirectoryFn queryDirectory;
    InformationFn queryInformation;
    InformationFn setInformation;
    EqualStringFn equalString;
    StatusToErrorFn statusToError;
    FinalPathFn finalPath;
    bool complete() const {
        return createFile && queryDirectory && queryInformation && setInformation && equalString &&
               statusToError;
    }
};

template <typename Fn>
Fn Look(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const Native& NativeCalls() {
    static const Native native = [] {
        const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        Native found{};
        if (ntdll != nullptr) {
            found.createFile = Look<CreateFileFn>(ntdll, "NtCreateFile");
            found.queryDirectory = Look<QueryDirectoryFn>(ntdll, "NtQueryDirectoryFile");
            found.queryInformation = Look<InformationFn>(ntdll, "NtQueryInformationFile");
            found.setInformation = Look<InformationFn>(ntdll, "NtSetInformationFile");
            found.equalString = Look<EqualStringFn>(ntdll, "RtlEqualUnicodeString");
            found.statusToError = Look<StatusToErrorFn>(ntdll, "RtlNtStatusToDosError");
        }
        found.finalPath = Look<FinalPathFn>(kernel, "GetFinalPathNameByHandleW");
        return found;
    }();
    return native;
}

bool Failed(NTSTATUS status) {
    if (status < 0) {
        SetLastError(NativeCalls().statusToError(status));
    }
    return status < 0;
}

// A name that is one entry of a folder: no separator, no stream, not "."
// or "..", no device's name, and one the code page holds exactly.
bool ToEntryName(const std::string& name, std::wstring* wide) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("\\/:") != std::string::npos || IsDeviceName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if (!ToWideExactly(name, wide) || wide->size() >= MAX_PATH) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    return true;
}

UNICODE_STRING Counted(const std::wstring& text) {
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(text.c_str());
    counted.Length = counted.MaximumLength = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return counted;
}

// Opens `name` in `folder` without following it.
NTSTATUS OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share,
                      ULONG disposition, ULONG options, HANDLE* opened) {
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io;
    *opened = nullptr;
    return NativeCalls().createFile(opened, access | SYNCHRONIZE, &attributes, &io, nullptr,
                                    FILE_ATTRIBUTE_NORMAL, share, disposition,
                                    options | kSynchronousIo | kOpenReparsePoint, nullptr, 0);
}

// The real path of what a handle has open, or "" where the system cannot
// tell it.
std::wstring FinalPathOf(HANDLE handle) {
    const FinalPathFn finalPath = NativeCalls().finalPath;
    if (finalPath == nullptr) {
        return std::wstring();
    }
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = finalPath(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length + 1);
        length = finalPath(handle, &path[0], static_cast<DWORD>(path.size()), 0);
    }
    path.resize(length < path.size() ? length : 0);
    return path;
}

bool SameCaseless(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size() || a.size() * sizeof(wchar_t) > 0xFFFF) {
        return false;
    }
    const UNICODE_STRING first = Counted(a);
    const UNICODE_STRING second = Counted(b);
    return NativeCalls().equalString(&first, &second, TRUE) != 0;
}

ACCESS_MASK AccessFor(Access access) {
    constexpr ACCESS_MASK kLook = FILE_READ_ATTRIBUTES | FILE_LIST_DIRECTORY | FILE_TRAVERSE;
    switch (access) {
        case Access::kLook:
            return kLook;
        case Access::kRead:
            return GENERIC_READ;
        case Access::kReadWrite:
            return GENERIC_READ | GENERIC_WRITE;
        case Access::kRemove:
            break;
    }
    return kLook | DELETE;
}

ULONG ShareFor(Access access) {
    switch (access) {
        case Access::kRead:
            return FILE_SHARE_READ;
        case Access::kReadWrite:
            return 0;
        case Access::kLook:
        case Access::kRemove:
            break;
    }
    return kShareAll;
}

// A file whose size its disk blocks do not hold: marked sparse, or (where
// the file system does not mark it, as under Wine) holding far fewer bytes
// on disk than its size without being compressed. The slack spares small
// files that live in the folder's own records.
bool IsSparse(ULONG attributes, const StandardRecord& standard) {
    constexpr LONGLONG kSlack = 1024 * 1024;
    if (attributes & FILE_ATTRIBUTE_SPARSE_FILE) {
        return true;
    }
    return !(attributes & FILE_ATTRIBUTE_COMPRESSED) &&
           standard.AllocationSize.QuadPart + kSlack < standard.EndOfFile.QuadPart;
}

// Each call that can fail starts with no reason, so that LastFailure never
// names one an earlier call left behind.
void ClearReason() {
    SetLastError(ERROR_SUCCESS);
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
    // Read as the system holds it: the A function would put look-alikes for
    // characters the code page lacks, and name another folder.
    std::wstring wideName;
    if (!ToWideExactly(name, &wideName)) {
        return kInexactText;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    LONG status = RegQueryValueExW(AsKey(key), wideName.c_str(), nullptr, &type, nullptr, &bytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    std::vector<BYTE> raw(bytes + sizeof(wchar_t));
    status = RegQueryValueExW(AsKey(key), wideName.c_str(), nullptr, &type, raw.data(), &bytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    std::string text(reinterpret_cast<const char*>(raw.data()), bytes);
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        const std::wstring wide(reinterpret_cast<const wchar_t*>(raw.data()),
                                bytes / sizeof(wchar_t));
        if (!ToCodePageExactly(wide.data(), wide.size(), &text)) {
            return kInexactText;
        }
    }
    if (text.size() > *size) {
        *size = static_cast<std::uint32_t>(text.size());
        return ERROR_MORE_DATA;
    }
    std::copy(text.begin(), text.end(), data);
    *size = static_cast<std::uint32_t>(text.size());
    return ERROR_SUCCESS;
}

void WinEnv::CloseKey(Handle key) {
    RegCloseKey(AsKey(key));
}

bool WinEnv::FindFirst(const std::string& path, Handle* search, std::uint32_t* attributes) {
    ClearReason();
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

WinEnv::WinEnv() = default;

WinEnv::~WinEnv() {
    if (log_ != nullptr) {
        CloseHandle(log_);
    }
    if (turn_ != nullptr) {
        ReleaseMutex(turn_);
        CloseHandle(turn_);
    }
}

// What the entry a handle holds is, where `real` is its path in its folder
// (empty where the system cannot tell real paths).
EntryKind WinEnv::Decide(HANDLE entry, const std::wstring& real) {
    IO_STATUS_BLOCK io;
    BasicRecord basic;
    StandardRecord standard;
    if (Failed(
            NativeCalls().queryInformation(entry, &io, &basic, sizeof basic, kBasicInformation)) ||
        Failed(NativeCalls().queryInformation(entry, &io, &standard, sizeof standard,
                                              kStandardInformation))) {
        return EntryKind::kLink;
    }
    if (!real.empty() && !SameCaseless(FinalPathOf(entry), real)) {
        return EntryKind::kLink;  // followed somewhere else
    }
    if (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return EntryKind::kLink;
    }
    if (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return EntryKind::kFolder;
    }
    return standard.NumberOfLinks == 1 && !IsSparse(basic.FileAttributes, standard)
               ? EntryKind::kFile
               : EntryKind::kLink;
}

// The real path the entry `name` of `folder` must have, or "" where the
// system cannot tell real paths. Where it can but did not for this folder,
// a path no entry has: nothing below such a folder counts as itself.
std::wstring WinEnv::RealPathIn(Handle folder, const std::wstring& name) const {
    if (NativeCalls().finalPath == nullptr) {
        return std::wstring();
    }
    const auto found = realPaths_.find(folder);
    if (found == realPaths_.end() || found->second.empty()) {
        return L"<unknown>\\" + name;
    }
    const std::wstring& parent = found->second;
    return parent + (parent.back() == L'\\' ? L"" : L"\\") + name;
}

Handle WinEnv::Keep(HANDLE handle, EntryKind kind) {
    const Handle kept = FromPointer(handle);
    if (kind == EntryKind::kFolder) {
        realPaths_[kept] = FinalPathOf(handle);
    }
    return kept;
}

bool WinEnv::OpenFolder(const std::string& path, bool create, Handle* folder) {
    ClearReason();
    std::wstring wide;
    if (!NativeCalls().complete()) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    if (!ToWideExactly(path, &wide) || wide.empty()) {
        SetLastError(path.empty() ? ERROR_INVALID_NAME : ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    if (create) {
        // Each missing folder on the way, from the top down; these are the
        // caller's to follow.
        for (std::size_t at = wide.find(L'\\', 1); at != std::wstring::npos;
             at = wide.find(L'\\', at + 1)) {
            if (wide[at - 1] != L':' && wide[at - 1] != L'\\') {
                CreateDirectoryW(wide.substr(0, at).c_str(), nullptr);
            }
        }
        CreateDirectoryW(wide.c_str(), nullptr);
    }
    OwnedHandle opened(CreateFileW(wide.c_str(), AccessFor(Access::kLook), kShareAll, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!opened.valid() || !GetFileInformationByHandle(opened.get(), &info)) {
        return false;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    *folder = Keep(opened.release(), EntryKind::kFolder);
    return true;
}

EntryKind WinEnv::OpenChild(Handle folder, const std::string& name, Access access, Handle* child) {
    ClearReason();
    std::wstring wide;
    if (!ToEntryName(name, &wide)) {
        return EntryKind::kLink;
    }
    OwnedHandle opened;
    NTSTATUS status = OpenRelative(AsHandle(folder), wide, AccessFor(access), ShareFor(access),
                                   kFileOpen, 0, opened.put());
    if (status == kStatusSharingViolation && access == Access::kLook) {
        // Held without sharing by another program: still looked at.
        status = OpenRelative(AsHandle(folder), wide, FILE_READ_ATTRIBUTES, kShareAll, kFileOpen, 0,
                              opened.put());
    }
    if (status == kStatusNameNotFound || status == kStatusPathNotFound) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return EntryKind::kMissing;
    }
    if (Failed(status)) {
        return EntryKind::kLink;
    }
    const std::wstring real = RealPathIn(folder, wide);
    const EntryKind kind = Decide(opened.get(), real);
    if (kind == EntryKind::kLink) {
        SetLastError(kErrorStoppedOnSymlink);
    }
    // A link kept open for removal must be the name itself: where real
    // paths can be told, one that leads elsewhere was followed.
    const bool itself = kind != EntryKind::kLink ||
                        (access == Access::kRemove &&
                         (real.empty() || SameCaseless(FinalPathOf(opened.get()), real)));
    if (itself) {
        *child = Keep(opened.release(), kind);
    }
    return kind;
}

bool WinEnv::ListFolder(Handle folder, std::vector<DirectoryEntry>* entries) {
    ClearReason();
    entries->clear();
    std::vector<ULONGLONG> buffer(64 * 1024 / sizeof(ULONGLONG));
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK io;
        const NTSTATUS status = NativeCalls().queryDirectory(
            AsHandle(folder), nullptr, nullptr, nullptr, &io, buffer.data(),
            static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)), kDirectoryInformation, FALSE,
            nullptr, restart);
        if (status == kStatusNoMoreFiles) {
            return true;
        }
        if (Failed(status)) {
            return false;
        }
        const char* at = reinterpret_cast<const char*>(buffer.data());
        for (;;) {
            const auto* record = reinterpret_cast<const DirectoryRecord*>(at);
            const std::size_t length = record->FileNameLength / sizeof(WCHAR);
            const std::wstring wide(record->FileName, length);
            if (wide != L"." && wide != L"..") {
                DirectoryEntry entry;
                entry.exact = ToCodePageExactly(wide.data(), wide.size(), &entry.name);
                entry.attributes = record->FileAttributes;
                entries->push_back(entry);
            }
            if (record->NextEntryOffset == 0) {
                break;
            }
            at += record->NextEntryOffset;
        }
    }
}

bool WinEnv::CreateChild(Handle folder, const std::string& name, bool isFolder, Handle* child) {
    ClearReason();
    std::wstring wide;
    if (!ToEntryName(name, &wide)) {
        return false;
    }
    OwnedHandle created;
    const NTSTATUS status =
        isFolder ? OpenRelative(AsHandle(folder), wide, AccessFor(Access::kRemove), kShareAll,
                                kFileCreate, kDirectoryFile, created.put())
                 : OpenRelative(AsHandle(folder), wide, GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                kFileCreate, kNonDirectoryFile, created.put());
    if (Failed(status)) {
        return false;
    }
    // A new file cannot have been swapped (the create is exclusive and the
    // handle is the file's). A folder is made and then opened, so it is
    // looked at like any other.
    if (isFolder && Decide(created.get(), RealPathIn(folder, wide)) != EntryKind::kFolder) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    *child = Keep(created.release(), isFolder ? EntryKind::kFolder : EntryKind::kFile);
    return true;
}

bool WinEnv::DeleteOpened(Handle entry) {
    ClearReason();
    IO_STATUS_BLOCK io;
    BOOLEAN remove = TRUE;
    return !Failed(NativeCalls().setInformation(AsHandle(entry), &io, &remove, sizeof remove,
                                                kDispositionInformation));
}

bool WinEnv::RenameOpened(Handle entry, Handle folder, const std::string& name, bool replace) {
    ClearReason();
    std::wstring wide;
    if (!ToEntryName(name, &wide)) {
        return false;
    }
    RenameRecord rename = {};
    rename.ReplaceIfExists = replace ? TRUE : FALSE;
    rename.RootDirectory = AsHandle(folder);
    rename.FileNameLength = static_cast<ULONG>(wide.size() * sizeof(WCHAR));
    wide.copy(rename.FileName, wide.size());
    IO_STATUS_BLOCK io;
    if (Failed(NativeCalls().setInformation(AsHandle(entry), &io, &rename, sizeof rename,
                                            kRenameInformation))) {
        return false;
    }
    // A folder moved has a new real path, against which what is opened from
    // it is checked.
    const auto moved = realPaths_.find(entry);
    if (moved != realPaths_.end()) {
        moved->second = FinalPathOf(AsHandle(entry));
    }
    return true;
}

bool WinEnv::Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t* done) {
    ClearReason();
    DWORD bytes = 0;
    BOOL ok = ReadFile(AsHandle(file), buffer, size, &bytes, nullptr);
    *done = bytes;
    return ok != 0;
}

bool WinEnv::Write(Handle file, const void* data, std::uint32_t size) {
    ClearReason();
    DWORD bytes = 0;
    return WriteFile(AsHandle(file), data, size, &bytes, nullptr) != 0 && bytes == size;
}

bool WinEnv::SeekTo(Handle file, std::uint64_t offset) {
    ClearReason();
    return SetPosition(file, static_cast<LONGLONG>(offset), FILE_BEGIN);
}

bool WinEnv::SeekToEnd(Handle file) {
    ClearReason();
    return SetPosition(file, 0, FILE_END);
}

bool WinEnv::TruncateAtPosition(Handle file) {
    ClearReason();
    return SetEndOfFile(AsHandle(file)) != 0;
}

bool WinEnv::Flush(Handle file) {
    ClearReason();
    return FlushFileBuffers(AsHandle(file)) != 0;
}

void WinEnv::CloseFile(Handle file) {
    realPaths_.erase(file);
    CloseHandle(AsHandle(file));
}

std::string WinEnv::LastFailure() {
    const DWORD error = GetLastError();
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        --length;
    }
    if (error == ERROR_SUCCESS) {
        return "the system gave no reason";
    }
    const std::string code = "error " + std::to_string(error);
    return length == 0 ? code : std::string(text, length) + " (" + code + ")";
}

std::string WinEnv::StartLog() {
    if (log_ != nullptr) {
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
    log_ = file;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char started[96];
    std::snprintf(started, sizeof started,
                  "Orvane: run started %04u-%02u-%02u %02u:%02u:%02u, process %lu", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    Log(started);
    std::string text;
    ToCodePageExactly(path.data(), path.size(), &text);
    return text;
}

namespace {

void WriteLine(HANDLE handle, const std::string& line) {
    const std::string text = EscapeControls(line) + "\r\n";
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

void WinEnv::Log(const std::string& line) {
    if (log_ != nullptr) {
        WriteLine(log_, line);
    }
}

void WinEnv::Tell(const std::string& line) {
    Log(line);
    for (const DWORD which : {STD_ERROR_HANDLE, STD_OUTPUT_HANDLE}) {
        const HANDLE handle = GetStdHandle(which);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
            continue;
        }
        const DWORD type = GetFileType(handle);
        if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
            WriteLine(handle, line);
            return;
        }
    }
}

bool WinEnv::TakeTurn() {
    ClearReason();
    // One name for every session: "Global\\" is there since Windows 2000.
    // Any local user may create it first, or hold it, so the wait is
    // bounded; a run whose earlier holder was killed gets it abandoned,
    // which is a turn like any other.
    constexpr DWORD kWaitMilliseconds = 2 * 60 * 1000;
    if (turn_ != nullptr) {
        return true;
    }
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Global\\Orvane.Templates");
    if (mutex == nullptr) {
        return false;
    }
    const DWORD waited = WaitForSingleObject(mutex, kWaitMilliseconds);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        const DWORD error = waited == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
        CloseHandle(mutex);
        SetLastError(error);
        return false;
    }
    turn_ = mutex;
    return true;
}

bool WinEnv::IsInteractive() {
    // Quiet runners (NSIS's nsExec among them) start a program hidden: a
    // window created so would never be seen, and its modal loop never end.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    if ((startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE) {
        return false;
    }
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

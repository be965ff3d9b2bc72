#include "platform/WinEnv.h"

#include <windows.h>
// winternl.h needs the types windows.h declares.
#include <winternl.h>
// RtlGenRandom (advapi32's SystemFunction036, there since Windows XP).
#include <ntsecapi.h>
// ConvertStringSecurityDescriptorToSecurityDescriptorW (Windows 2000).
#include <sddl.h>

#include <cstdio>
#include <map>
#include <vector>

#include "platform/DeviceNames.h"
#include "platform/ExactText.h"
#include "platform/TellText.h"

namespace orvane {
namespace {

// A registry key's number carries this bit, which no handle of the system
// has (they are multiples of four), so that it is closed by its own call
// without a look-up.
constexpr HandleId kKeyTag = 1;

HKEY AsKey(HandleId h) {
    return reinterpret_cast<HKEY>(h & ~kKeyTag);
}
HANDLE AsHandle(HandleId h) {
    return reinterpret_cast<HANDLE>(h);
}
HandleId FromPointer(void* p) {
    return reinterpret_cast<HandleId>(p);
}

// A failure with the system's code and its words for it.
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

// The failure the last Win32 call set, asked right after it.
Status LastError() {
    return SystemFailure(GetLastError());
}

// Success, or the failure of a call that returned FALSE.
Status Checked(BOOL succeeded) {
    return succeeded ? Status() : LastError();
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

constexpr NTSTATUS kStatusNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
constexpr NTSTATUS kStatusNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
constexpr NTSTATUS kStatusPathNotFound = static_cast<NTSTATUS>(0xC000003AL);
constexpr NTSTATUS kStatusSharingViolation = static_cast<NTSTATUS>(0xC0000043L);
constexpr NTSTATUS kStatusDeletePending = static_cast<NTSTATUS>(0xC0000056L);
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

// Success, or a native call's failure in the system's words.
Status NativeStatus(NTSTATUS status) {
    return status < 0 ? SystemFailure(NativeCalls().statusToError(status)) : Status();
}

// A name that is one entry of a folder: no separator, no stream, not "."
// or "..", no device's name, and one the code page holds exactly.
Status ToEntryName(const std::string& name, std::wstring* wide) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("\\/:") != std::string::npos || IsDeviceName(name)) {
        return SystemFailure(ERROR_INVALID_NAME);
    }
    if (!ToWideExactly(name, wide) || wide->size() >= MAX_PATH) {
        return SystemFailure(ERROR_NO_UNICODE_TRANSLATION);
    }
    return Status();
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

}  // namespace

Status WinEnv::OpenKeyId(const std::string& subKey, HandleId* key) {
    // Visual Studio 7.0 to 10.0 are 32-bit programs and register in the
    // 32-bit view; a 64-bit build would read the other view and find none.
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0,
                                      KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened);
    if (status != ERROR_SUCCESS) {
        return SystemFailure(static_cast<DWORD>(status));
    }
    *key = FromPointer(opened) | kKeyTag;
    return Status();
}

Status WinEnv::WriteValue(const std::string& subKey, const std::string& name,
                          const std::string& value) {
    std::wstring wideKey, wideName, wideValue;
    if (!ToWideExactly(subKey, &wideKey) || !ToWideExactly(name, &wideName) ||
        !ToWideExactly(value, &wideValue)) {
        return SystemFailure(ERROR_NO_UNICODE_TRANSLATION);
    }
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, wideKey.c_str(), 0, nullptr, 0,
                                  KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        return SystemFailure(static_cast<DWORD>(status));
    }
    DWORD subKeys = 1;
    DWORD values = 1;
    if (value.empty()) {
        status = RegDeleteValueW(key, wideName.c_str());
        if (status == ERROR_FILE_NOT_FOUND) {
            status = ERROR_SUCCESS;
        }
        if (status == ERROR_SUCCESS) {
            RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
        }
    } else {
        status = RegSetValueExW(key, wideName.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(wideValue.c_str()),
                                static_cast<DWORD>((wideValue.size() + 1) * sizeof(wchar_t)));
    }
    // The registry writes its hives lazily: the record is to be on the disk
    // before the files it speaks of move.
    if (status == ERROR_SUCCESS) {
        status = RegFlushKey(key);
    }
    RegCloseKey(key);
    // A key with nothing left in it goes, deleted from its parent's handle,
    // which is in the 32-bit view (RegDeleteKeyExW is not on Windows XP).
    const std::size_t last = wideKey.rfind(L'\\');
    HKEY parent = nullptr;
    if (status == ERROR_SUCCESS && subKeys == 0 && values == 0 && last != std::wstring::npos &&
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, wideKey.substr(0, last).c_str(), 0,
                      KEY_READ | KEY_WOW64_32KEY, &parent) == ERROR_SUCCESS) {
        RegDeleteKeyW(parent, wideKey.substr(last + 1).c_str());  // it stays if it cannot go
        RegCloseKey(parent);
    }
    return status == ERROR_SUCCESS ? Status() : SystemFailure(static_cast<DWORD>(status));
}

Status WinEnv::ReadValue(HandleId key, const std::string& name, std::string* value) {
    // Read as the system holds it: the A function would put look-alikes for
    // characters the code page lacks, and name another folder.
    std::wstring wideName;
    if (!ToWideExactly(name, &wideName)) {
        return SystemFailure(ERROR_NO_UNICODE_TRANSLATION);
    }
    // The value may grow between the size asked and the read: a few tries,
    // never a loop without end.
    for (int tries = 0; tries < 3; ++tries) {
        DWORD type = 0;
        DWORD bytes = 0;
        LONG status =
            RegQueryValueExW(AsKey(key), wideName.c_str(), nullptr, &type, nullptr, &bytes);
        if (status != ERROR_SUCCESS) {
            return SystemFailure(static_cast<DWORD>(status));
        }
        std::vector<BYTE> raw(bytes + sizeof(wchar_t));
        status = RegQueryValueExW(AsKey(key), wideName.c_str(), nullptr, &type, raw.data(), &bytes);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            return SystemFailure(static_cast<DWORD>(status));
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) {
            value->assign(reinterpret_cast<const char*>(raw.data()), bytes);
            return Status();
        }
        if (!ToCodePageExactly(reinterpret_cast<const wchar_t*>(raw.data()),
                               bytes / sizeof(wchar_t), value)) {
            return SystemFailure(ERROR_NO_UNICODE_TRANSLATION);
        }
        return Status();
    }
    return SystemFailure(ERROR_MORE_DATA);
}

WinEnv::WinEnv() = default;

WinEnv::~WinEnv() = default;

SystemHandle::~SystemHandle() {
    Reset();
}

void SystemHandle::Reset(void* handle) {
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
    handle_ = handle;
}

Turn::~Turn() {
    Reset();
}

void Turn::Reset(void* mutex) {
    if (mutex_.get() != nullptr) {
        ReleaseMutex(mutex_.get());
    }
    mutex_.Reset(mutex);
}

// What the entry a handle holds is, where `real` is its path in its folder
// (empty where the system cannot tell real paths).
Status WinEnv::Decide(HANDLE entry, const std::wstring& real, EntryKind* kind) {
    IO_STATUS_BLOCK io;
    BasicRecord basic;
    StandardRecord standard;
    Status status = NativeStatus(
        NativeCalls().queryInformation(entry, &io, &basic, sizeof basic, kBasicInformation));
    if (status.ok()) {
        status = NativeStatus(NativeCalls().queryInformation(entry, &io, &standard, sizeof standard,
                                                             kStandardInformation));
    }
    if (!status.ok()) {
        return status;
    }
    if ((!real.empty() && !SameCaseless(FinalPathOf(entry), real)) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        *kind = EntryKind::kLink;  // a link, or followed somewhere else
    } else if (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        *kind = EntryKind::kFolder;
    } else {
        *kind = standard.NumberOfLinks == 1 && !IsSparse(basic.FileAttributes, standard)
                    ? EntryKind::kFile
                    : EntryKind::kLink;
    }
    return Status();
}

// The real path the entry `name` of `folder` must have, or "" where the
// system cannot tell real paths. Where it can but did not for this folder,
// a path no entry has: nothing below such a folder counts as itself.
std::wstring WinEnv::RealPathIn(HandleId folder, const std::wstring& name) const {
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

HandleId WinEnv::Keep(HANDLE handle, EntryKind kind) {
    const HandleId kept = FromPointer(handle);
    if (kind == EntryKind::kFolder) {
        realPaths_[kept] = FinalPathOf(handle);
    }
    return kept;
}

Status WinEnv::OpenFolderId(const std::string& path, HandleId* folder) {
    std::wstring wide;
    if (!NativeCalls().complete()) {
        return SystemFailure(ERROR_PROC_NOT_FOUND);
    }
    if (!ToWideExactly(path, &wide) || wide.empty()) {
        return SystemFailure(path.empty() ? ERROR_INVALID_NAME : ERROR_NO_UNICODE_TRANSLATION);
    }
    OwnedHandle opened(CreateFileW(wide.c_str(), AccessFor(Access::kLook), kShareAll, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!opened.valid() || !GetFileInformationByHandle(opened.get(), &info)) {
        return LastError();
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return SystemFailure(ERROR_DIRECTORY);
    }
    *folder = Keep(opened.release(), EntryKind::kFolder);
    return Status();
}

Status WinEnv::OpenChildId(HandleId folder, const std::string& name, Access access, EntryKind* kind,
                           HandleId* child) {
    std::wstring wide;
    Status status = ToEntryName(name, &wide);
    if (!status.ok()) {
        return status;
    }
    OwnedHandle opened;
    NTSTATUS result = OpenRelative(AsHandle(folder), wide, AccessFor(access), ShareFor(access),
                                   kFileOpen, 0, opened.put());
    if (result == kStatusSharingViolation && access == Access::kLook) {
        // Held without sharing by another program: still looked at.
        result = OpenRelative(AsHandle(folder), wide, FILE_READ_ATTRIBUTES, kShareAll, kFileOpen, 0,
                              opened.put());
    }
    // An entry already being deleted (its last handle not yet closed) is
    // as good as gone.
    if (result == kStatusNameNotFound || result == kStatusPathNotFound ||
        result == kStatusDeletePending) {
        *kind = EntryKind::kMissing;
        return Status();
    }
    status = NativeStatus(result);
    const std::wstring real = RealPathIn(folder, wide);
    if (!status.ok() || !(status = Decide(opened.get(), real, kind)).ok()) {
        return status;
    }
    // A link kept open for removal must be the name itself: where real
    // paths can be told, one that leads elsewhere was followed.
    const bool itself = *kind != EntryKind::kLink ||
                        (access == Access::kRemove &&
                         (real.empty() || SameCaseless(FinalPathOf(opened.get()), real)));
    if (itself) {
        *child = Keep(opened.release(), *kind);
    }
    return Status();
}

Status WinEnv::ListFolder(HandleId folder, std::vector<DirectoryEntry>* entries) {
    std::vector<ULONGLONG> buffer(64 * 1024 / sizeof(ULONGLONG));
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK io;
        const NTSTATUS result = NativeCalls().queryDirectory(
            AsHandle(folder), nullptr, nullptr, nullptr, &io, buffer.data(),
            static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)), kDirectoryInformation, FALSE,
            nullptr, restart);
        if (result == kStatusNoMoreFiles) {
            return Status();
        }
        if (result < 0) {
            return NativeStatus(result);
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

Status WinEnv::CreateChild(HandleId folder, const std::string& name, bool isFolder,
                           HandleId* child) {
    std::wstring wide;
    Status status = ToEntryName(name, &wide);
    if (!status.ok()) {
        return status;
    }
    OwnedHandle created;
    status = NativeStatus(
        isFolder ? OpenRelative(AsHandle(folder), wide, AccessFor(Access::kRemove), kShareAll,
                                kFileCreate, kDirectoryFile, created.put())
                 : OpenRelative(AsHandle(folder), wide, GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                kFileCreate, kNonDirectoryFile, created.put()));
    if (!status.ok()) {
        return status;
    }
    // A new file cannot have been swapped (the create is exclusive and the
    // handle is the file's). A folder is made and then opened, so it is
    // looked at like any other.
    EntryKind kind = EntryKind::kFile;
    if (isFolder) {
        status = Decide(created.get(), RealPathIn(folder, wide), &kind);
        if (!status.ok()) {
            return status;
        }
        if (kind != EntryKind::kFolder) {
            return Status::Failure(0, "what was made is not the folder itself");
        }
    }
    *child = Keep(created.release(), kind);
    return Status();
}

Status WinEnv::IdentifyOpened(HandleId entry, std::string* identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(AsHandle(entry), &information)) {
        return LastError();
    }
    char text[40];
    std::snprintf(text, sizeof text, "%08lx:%08lx%08lx",
                  static_cast<unsigned long>(information.dwVolumeSerialNumber),
                  static_cast<unsigned long>(information.nFileIndexHigh),
                  static_cast<unsigned long>(information.nFileIndexLow));
    *identity = text;
    return Status();
}

Status WinEnv::DeleteOpened(HandleId entry) {
    IO_STATUS_BLOCK io;
    BOOLEAN remove = TRUE;
    return NativeStatus(NativeCalls().setInformation(AsHandle(entry), &io, &remove, sizeof remove,
                                                     kDispositionInformation));
}

Status WinEnv::RenameOpened(HandleId entry, HandleId folder, const std::string& name,
                            bool replace) {
    std::wstring wide;
    Status status = ToEntryName(name, &wide);
    if (!status.ok()) {
        return status;
    }
    RenameRecord rename = {};
    rename.ReplaceIfExists = replace ? TRUE : FALSE;
    rename.RootDirectory = AsHandle(folder);
    rename.FileNameLength = static_cast<ULONG>(wide.size() * sizeof(WCHAR));
    wide.copy(rename.FileName, wide.size());
    IO_STATUS_BLOCK io;
    status = NativeStatus(NativeCalls().setInformation(AsHandle(entry), &io, &rename, sizeof rename,
                                                       kRenameInformation));
    if (!status.ok()) {
        return status;
    }
    // A folder moved has a new real path, against which what is opened from
    // it is checked.
    const auto moved = realPaths_.find(entry);
    if (moved != realPaths_.end()) {
        moved->second = FinalPathOf(AsHandle(entry));
    }
    return Status();
}

Status WinEnv::ReadBytes(HandleId file, void* buffer, std::uint32_t size, std::uint32_t* done) {
    DWORD bytes = 0;
    const BOOL read = ::ReadFile(AsHandle(file), buffer, size, &bytes, nullptr);
    *done = bytes;
    return Checked(read);
}

Status WinEnv::WriteBytes(HandleId file, const void* data, std::uint32_t size) {
    DWORD bytes = 0;
    if (!::WriteFile(AsHandle(file), data, size, &bytes, nullptr)) {
        return LastError();
    }
    return bytes == size ? Status() : SystemFailure(ERROR_WRITE_FAULT);
}

Status WinEnv::SeekFile(HandleId file, std::uint64_t offset, bool fromEnd) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return Checked(
        SetFilePointerEx(AsHandle(file), distance, nullptr, fromEnd ? FILE_END : FILE_BEGIN));
}

Status WinEnv::TruncateFile(HandleId file) {
    return Checked(SetEndOfFile(AsHandle(file)));
}

namespace {

// The drive whose volume carries serial number `serial`, as "\\.\X:", or
// "" where no fixed drive letter names it (a volume mounted in a folder).
std::wstring VolumeWithSerial(DWORD serial) {
    const DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        const wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', 0};
        DWORD found = 0;
        // Only fixed drives: asking a removable one without its medium
        // would show Windows' own "no disk" notice.
        if ((drives & (1u << letter)) != 0 && GetDriveTypeW(root) == DRIVE_FIXED &&
            GetVolumeInformationW(root, nullptr, 0, &found, nullptr, nullptr, nullptr, 0) &&
            found == serial) {
            return std::wstring(L"\\\\.\\") + root[0] + L":";
        }
    }
    return std::wstring();
}

// One flush of the whole volume `volume` ("\\.\X:"): every file written
// on it reaches the disk. Needs administrator rights; Windows XP on.
Status FlushVolume(const std::wstring& volume) {
    if (volume.empty()) {
        return Status::Failure(0, "no drive letter names its volume");
    }
    OwnedHandle handle(CreateFileW(volume.c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
    if (!handle.valid()) {
        return LastError();
    }
    return Checked(FlushFileBuffers(handle.get()));
}

// NtFlushBuffersFileEx (Windows 8 on): with FLUSH_FLAGS_FILE_DATA_ONLY it
// writes a file's data out without waiting for the disk to empty its cache.
using FlushExFn = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PIO_STATUS_BLOCK);
constexpr ULONG kFlushFileDataOnly = 0x1;

// A data-only flush of each file, then one full flush, which empties the
// disk's cache for all of them.
Status FlushDataThenOnce(const std::vector<HANDLE>& files) {
    static const auto flushEx =
        Look<FlushExFn>(::GetModuleHandleA("ntdll.dll"), "NtFlushBuffersFileEx");
    if (flushEx == nullptr) {
        return Status::Failure(0, "the system has no data-only flush");
    }
    for (const HANDLE file : files) {
        IO_STATUS_BLOCK io;
        const Status status = NativeStatus(flushEx(file, kFlushFileDataOnly, nullptr, 0, &io));
        if (!status.ok()) {
            return status;
        }
    }
    return Checked(FlushFileBuffers(files.back()));
}

Status FlushEach(const std::vector<HANDLE>& files) {
    for (const HANDLE file : files) {
        const Status status = Checked(FlushFileBuffers(file));
        if (!status.ok()) {
            return status;
        }
    }
    return Status();
}

}  // namespace

Status WinEnv::FlushFiles(const std::vector<HandleId>& files) {
    // By volume: staging in several Visual Studio folders may lie on
    // several drives.
    std::map<DWORD, std::vector<HANDLE>> byVolume;
    for (const HandleId file : files) {
        BY_HANDLE_FILE_INFORMATION information;
        if (!GetFileInformationByHandle(AsHandle(file), &information)) {
            return LastError();
        }
        byVolume[information.dwVolumeSerialNumber].push_back(AsHandle(file));
    }
    for (const auto& [serial, handles] : byVolume) {
        const std::wstring volume = VolumeWithSerial(serial);
        const std::string count = std::to_string(handles.size()) + " file(s)";
        const Status whole = FlushVolume(volume);
        if (whole.ok()) {
            Log("Orvane: made " + count + " durable by one flush of their volume.");
            continue;
        }
        const Status dataOnly = FlushDataThenOnce(handles);
        if (dataOnly.ok()) {
            Log("Orvane: made " + count +
                " durable by a data-only flush of each and one full flush (their volume could "
                "not be flushed: " +
                whole.reason() + ").");
            continue;
        }
        const Status each = FlushEach(handles);
        if (!each.ok()) {
            return each;
        }
        Log("Orvane: made " + count + " durable by a flush of each (their volume could not be " +
            "flushed: " + whole.reason() + "; " + dataOnly.reason() + ").");
    }
    return Status();
}

void WinEnv::CloseId(HandleId handle) {
    if ((handle & kKeyTag) != 0) {
        RegCloseKey(AsKey(handle));
        return;
    }
    realPaths_.erase(handle);
    CloseHandle(AsHandle(handle));
}

std::string WinEnv::StartLog() {
    if (log_) {
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
    log_.Reset(file);
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
    logPath_ = text;
    return text;
}

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

void WinEnv::Log(const std::string& line) {
    if (log_) {
        WriteText(log_.get(), EscapeControls(line) + "\r\n");
    }
}

void WinEnv::Tell(const std::string& line) {
    Log(line);
    const std::string text = told_.Admit(line);
    const HANDLE caller = CallerHandle();
    if (!text.empty() && caller != nullptr) {
        WriteText(caller, text);
    }
}

void WinEnv::FinishTelling() {
    const std::string text = told_.Closing(logPath_);
    const HANDLE caller = CallerHandle();
    if (!text.empty() && caller != nullptr) {
        WriteText(caller, text);
    }
}

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

Status WinEnv::TakeTurn() {
    // One name for every session: "Global\\" is there since Windows 2000.
    // Any local user may create it first, or hold it, so the wait is
    // bounded; a run whose earlier holder was killed gets it abandoned,
    // which is a turn like any other.
    constexpr DWORD kWaitMilliseconds = 2 * 60 * 1000;
    if (turn_) {
        return Status();
    }
    HANDLE mutex = nullptr;
    Status status = OpenTurn(&mutex);
    if (!status.ok()) {
        return status;
    }
    const DWORD waited = WaitForSingleObject(mutex, kWaitMilliseconds);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        status = waited == WAIT_TIMEOUT
                     ? Status::Failure(WAIT_TIMEOUT,
                                       "another Orvane run did not finish within two minutes")
                     : LastError();
        CloseHandle(mutex);
        return status;
    }
    turn_.Reset(mutex);
    return Status();
}

void WinEnv::GiveTurnBack() {
    turn_.Reset();
}

void WinEnv::Pause(unsigned milliseconds) {
    Sleep(milliseconds);
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

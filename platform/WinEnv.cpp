#include "platform/WinEnv.h"

#include <windows.h>
// winternl.h needs the types windows.h declares.
#include <winternl.h>

#include <cstdio>
#include <map>
#include <vector>

#include "platform/DeviceNames.h"
#include "platform/ExactText.h"
#include "platform/WinRegistry.h"
#include "platform/WinSystem.h"

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

// What the entry a handle holds is, where `real` is its path in its folder
// (empty where the system cannot tell real paths).
Status Decide(HANDLE entry, const std::wstring& real, EntryKind* kind) {
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

}  // namespace

WinEnv::WinEnv() = default;

WinEnv::~WinEnv() = default;

Status WinEnv::OpenKeyId(const std::string& subKey, HandleId* key) {
    HKEY opened = nullptr;
    const Status status = OpenMachineKey(subKey, &opened);
    *key = status.ok() ? FromPointer(opened) | kKeyTag : 0;
    return status;
}

Status WinEnv::ReadValue(HandleId key, const std::string& name, std::string* value) {
    return ReadKeyValue(AsKey(key), name, value);
}

Status WinEnv::WriteValue(const std::string& subKey, const std::string& name,
                          const std::string& value) {
    return WriteMachineValue(subKey, name, value);
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
    if (!isFolder) {
        KeepVolume(folder, *child);
    }
    return Status();
}

void WinEnv::KeepVolume(HandleId folder, HandleId file) {
    auto known = volumes_.find(folder);
    BY_HANDLE_FILE_INFORMATION information;
    if (known == volumes_.end() && GetFileInformationByHandle(AsHandle(folder), &information)) {
        known = volumes_.emplace(folder, information.dwVolumeSerialNumber).first;
    }
    if (known != volumes_.end()) {
        volumes_[file] = known->second;
    }
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

// Makes `files` durable, volume by volume, each the cheapest way the system
// offers, and says in `log` which way it took.
Status FlushByVolume(const std::map<DWORD, std::vector<HANDLE>>& byVolume, RunLog& log) {
    for (const auto& [serial, handles] : byVolume) {
        const std::wstring volume = VolumeWithSerial(serial);
        const std::string count = std::to_string(handles.size()) + " file(s)";
        const Status whole = FlushVolume(volume);
        if (whole.ok()) {
            log.Write("Orvane: made " + count + " durable by one flush of their volume.");
            continue;
        }
        const Status dataOnly = FlushDataThenOnce(handles);
        if (dataOnly.ok()) {
            log.Write(
                "Orvane: made " + count +
                " durable by a data-only flush of each and one full flush (their volume could "
                "not be flushed: " +
                whole.reason() + ").");
            continue;
        }
        const Status each = FlushEach(handles);
        if (!each.ok()) {
            return each;
        }
        log.Write("Orvane: made " + count +
                  " durable by a flush of each (their volume could not be " +
                  "flushed: " + whole.reason() + "; " + dataOnly.reason() + ").");
    }
    return Status();
}

}  // namespace

Status WinEnv::FlushFiles(const std::vector<HandleId>& files) {
    // By volume: staging in several Visual Studio folders may lie on
    // several drives.
    std::map<DWORD, std::vector<HANDLE>> byVolume;
    for (const HandleId file : files) {
        const auto known = volumes_.find(file);
        BY_HANDLE_FILE_INFORMATION information;
        if (known == volumes_.end() && !GetFileInformationByHandle(AsHandle(file), &information)) {
            return LastError();
        }
        byVolume[known != volumes_.end() ? known->second : information.dwVolumeSerialNumber]
            .push_back(AsHandle(file));
    }
    return FlushByVolume(byVolume, log_);
}

void WinEnv::CloseId(HandleId handle) {
    if ((handle & kKeyTag) != 0) {
        RegCloseKey(AsKey(handle));
        return;
    }
    realPaths_.erase(handle);
    volumes_.erase(handle);
    CloseHandle(AsHandle(handle));
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

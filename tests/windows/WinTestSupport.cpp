#include "tests/windows/WinTestSupport.h"

#include <shellapi.h>

#include <stdexcept>
#include <vector>

namespace orvane::testing {

ScratchDir::ScratchDir() {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "orvane-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    MakeDirs(path_);
}

ScratchDir::~ScratchDir() {
    std::vector<char> from(path_.begin(), path_.end());
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

HeldOpen::HeldOpen(const std::string& path, DWORD share)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

void HeldOpen::LetGo() {
    if (held()) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

void MakeDirs(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos;
         at = path.find('\\', at + 1)) {
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    MakeDirs(path.substr(0, path.rfind('\\')));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot write " + path);
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    return bytes;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ClearVisualStudioKeys() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY parent = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\VisualStudio", 0,
                          KEY_ALL_ACCESS | view, &parent) != ERROR_SUCCESS) {
            continue;
        }
        for (const char* version : {"7.0", "7.1", "8.0", "9.0", "10.0"}) {
            RegDeleteTreeA(parent, version);
        }
        RegCloseKey(parent);
    }
}

void SetVisualStudioValue(const std::string& version, const char* name, DWORD type,
                          const void* data, DWORD size, bool view32) {
    HKEY key = nullptr;
    const std::string path = "Software\\Microsoft\\VisualStudio\\" + version;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | (view32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY), nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create " + path);
    }
    if (name != nullptr) {
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    }
    RegCloseKey(key);
}

}  // namespace orvane::testing

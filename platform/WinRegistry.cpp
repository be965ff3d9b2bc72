#include "platform/WinRegistry.h"

#include <vector>

#include "platform/ExactText.h"
#include "platform/WinSystem.h"

namespace orvane {

Status OpenMachineKey(const std::string& subKey, HKEY* key) {
    // Visual Studio 7.0 to 10.0 are 32-bit programs and register in the
    // 32-bit view; a 64-bit build would read the other view and find none.
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0,
                                      KEY_QUERY_VALUE | KEY_WOW64_32KEY, key);
    return status == ERROR_SUCCESS ? Status() : SystemFailure(static_cast<DWORD>(status));
}

Status WriteMachineValue(const std::string& subKey, const std::string& name,
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

Status ReadKeyValue(HKEY key, const std::string& name, std::string* value) {
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
        LONG status = RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &bytes);
        if (status != ERROR_SUCCESS) {
            return SystemFailure(static_cast<DWORD>(status));
        }
        std::vector<BYTE> raw(bytes + sizeof(wchar_t));
        status = RegQueryValueExW(key, wideName.c_str(), nullptr, &type, raw.data(), &bytes);
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

}  // namespace orvane

#include "deploy/VisualStudio.h"

namespace orvane {

std::string GetVersionString(VersionIndex index) {
    static const char* const kVersions[kVersionCount] = {"7.0", "7.1", "8.0", "9.0", "10.0"};
    if (index < 0 || index >= kVersionCount) {
        return std::string();
    }
    return kVersions[index];
}

std::string GetVisualStudioRoot(Env& env, VersionIndex index, Status* unreadable) {
    const std::string keyPath = "Software\\Microsoft\\VisualStudio\\" + GetVersionString(index);
    Key key;
    std::string value;
    Status status = env.OpenKey(keyPath, &key);
    if (status.ok()) {
        status = key.Read("InstallDir", &value);
    }
    if (unreadable != nullptr) {
        *unreadable = status.IsNotFound() ? Status() : status;
    }
    if (!status.ok()) {
        return std::string();
    }
    // Whatever type the value has, its bytes up to the first zero are the text.
    return value.substr(0, value.find('\0')) + "..\\..\\";
}

bool UsesNewerLayout(VersionIndex index) {
    return index >= 2 && index <= 4;
}

std::string GetVcDir(VersionIndex index, const std::string& root) {
    return root + (UsesNewerLayout(index) ? "VC" : "vc7");
}

}  // namespace orvane

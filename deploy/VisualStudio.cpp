#include "deploy/VisualStudio.h"

#include <algorithm>
#include <vector>

namespace orvane {
namespace {

// The first guess at an InstallDir's size; a longer one is read again
// with the size the registry gives.
constexpr std::uint32_t kInstallDirBufferSize = 260;
constexpr long kErrorMoreData = 234;

class KeyCloser {
  public:
    KeyCloser(Env& env, Handle key) : env_(env), key_(key) {}
    ~KeyCloser() { env_.CloseKey(key_); }
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

  private:
    Env& env_;
    Handle key_;
};

}  // namespace

std::string GetVersionString(VersionIndex index) {
    static const char* const kVersions[kVersionCount] = {"7.0", "7.1", "8.0", "9.0", "10.0"};
    if (index < 0 || index >= kVersionCount) {
        return std::string();
    }
    return kVersions[index];
}

std::string GetVisualStudioRoot(Env& env, VersionIndex index, bool* inexact) {
    if (inexact != nullptr) {
        *inexact = false;
    }
    const std::string keyPath = "Software\\Microsoft\\VisualStudio\\" + GetVersionString(index);
    Handle key = kNoHandle;
    if (env.OpenKey(keyPath, &key) != 0) {
        return std::string();
    }
    KeyCloser closer(env, key);

    // Any length the registry holds is served: the value may grow between
    // the two reads, so the second gives up rather than loop.
    std::vector<unsigned char> data(kInstallDirBufferSize);
    std::uint32_t size = kInstallDirBufferSize;
    long status = env.QueryValue(key, "InstallDir", data.data(), &size);
    if (status == kErrorMoreData && size > data.size()) {
        data.resize(size);
        status = env.QueryValue(key, "InstallDir", data.data(), &size);
    }
    if (status != 0) {
        if (inexact != nullptr) {
            *inexact = status == kInexactText;
        }
        return std::string();
    }
    // Whatever type the value has, its bytes up to the first zero are the text.
    const auto end =
        std::find(data.begin(), data.begin() + std::min<std::size_t>(size, data.size()), 0);
    return std::string(data.begin(), end) + "..\\..\\";
}

bool UsesNewerLayout(VersionIndex index) {
    return index >= 2 && index <= 4;
}

std::string GetVcDir(VersionIndex index, const std::string& root) {
    return root + (UsesNewerLayout(index) ? "VC" : "vc7");
}

}  // namespace orvane

// The launcher stamp: the old bytes unchanged, then LF, the line, LF.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "customise/LauncherStamper.h"
#include "tests/native/FakeEnv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = bytes.find('\0');
    const std::string old = bytes.substr(0, split);
    const std::string root = split == std::string::npos ? "" : bytes.substr(split + 1);
    const std::string path = "C:\\T\\9.0\\VCPlusPlus\\TessaloomsMFC\\AddToolBand.vsz";
    orvane::FakeEnv env;
    env.AddFile(path, old);
    const std::string line = orvane::MakeBaseDirParamLine(root);
    if (!orvane::StampWizardLauncher(env, "C:\\", path, line).ok() ||
        !orvane::StampWizardLauncher(env, "C:\\", path, line).ok()) {
        std::abort();
    }
    const std::string stamp = "\n" + line + "\n";
    if (env.Content(path) != old + stamp + stamp || env.OpenFileCount() != 0 ||
        line != "Param=\"BASE_DIR = " + root + "\"") {
        std::abort();
    }
    return 0;
}

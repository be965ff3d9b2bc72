// The sample project rewriter, streaming through its 4096-byte buffers,
// against the whole-buffer reference of the line rules.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "customise/ProjectRewriter.h"
#include "tests/fuzz/ReferenceRewrite.h"
#include "tests/native/FakeEnv.h"

namespace {

const std::string kProject = "C:\\Kit\\Samples\\S\\P.vcproj";
const std::string kTemp = "C:\\Kit\\Samples\\S\\P1.vcproj";
const std::string kInclude = "C:\\Kit\\Include";
const std::string kLibrary = "C:\\Kit\\Lib";

std::string Rewrite(const std::string& input) {
    orvane::FakeEnv env;
    env.AddFile(kProject, input);
    orvane::RewriteProjectFile(env, "C:\\", kProject, kTemp, kInclude, kLibrary);
    if (env.Exists(kTemp) || env.OpenFileCount() != 0) {
        std::abort();
    }
    return env.Content(kProject);
}

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string once = Rewrite(input);
    Require(once == orvane::reference::RewriteProject(input, kInclude, kLibrary));
    Require(Rewrite(once) == once);
    Require(once.empty() == input.empty());
    Require(once.empty() || once.back() == '\n');
    Require(std::count(once.begin(), once.end(), '\r') <=
            std::count(input.begin(), input.end(), '\r'));
    return 0;
}

#pragma once

// Pointing the product's sample projects at its Include and Lib folders.

#include <stdexcept>
#include <string>

#include "deploy/Product.h"
#include "platform/Env.h"

namespace orvane {

// A file of the product that stops the installation before any Visual
// Studio is touched: a sample project that could not be opened, created,
// read, written or replaced, or any part of the product that is not what
// it must be. It ends the installation.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct SampleProject {
    const char* folder;
    const char* project;
};

constexpr int kSampleProjectCount = 23;

// The sample projects in the order they are patched.
const SampleProject* GetSampleProjects();

// The sample project of `sample` under `productRoot`'s "Samples\", without
// its ".vcproj"; its temporary file adds "1.vcproj".
std::string GetSampleProjectStem(const std::string& productRoot, const SampleProject& sample);

// Rewrites the include and library lines of every sample project under
// the product root's "Samples\" folder, all or none: a project that cannot
// be rewritten ends it, every project as it was, with the reason.
Status PatchSampleProjects(Env& env, const Product& product);

// `text` as an XML attribute value holds it: "&", "<", ">" and the double
// quote as entities, every other byte as it is.
std::string EscapeXmlAttribute(const std::string& text);

// Rewrites one project file below `root` line by line by way of `tempPath`,
// created anew whatever is at its name: a line that holds
// "AdditionalIncludeDirectories" becomes a tab and that setting naming
// `includeDir` (escaped as XML requires); otherwise one that holds
// "AdditionalLibraryDirectories" names `libraryDir`; a replaced line keeps
// only a "/>" it held. Other lines pass through byte for byte. Every line is
// written with a single line feed. A missing project (or a folder at its
// name) is skipped. Throws
// FileError when a file cannot be opened, created, read, written or moved
// into place, or is not itself (a link below `root`); the project then
// keeps its old content and the temporary file is removed.
void RewriteProjectFile(Env& env, const std::string& root, const std::string& projectPath,
                        const std::string& tempPath, const std::string& includeDir,
                        const std::string& libraryDir);

}  // namespace orvane

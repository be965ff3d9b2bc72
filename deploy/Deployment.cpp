#include "deploy/Deployment.h"

#include <string>

#include "app/TemplatesDir.h"
#include "deploy/FileSystem.h"

namespace orvane {
namespace {

const char* const kWizardFolders[] = {"TessaloomsWiz", "TessaloomsTemplateWiz"};

std::string ScriptsDir(const std::string& vcDir, const char* wizard) {
    return vcDir + "\\VCWizards\\" + wizard + "\\scripts\\1033\\";
}

// The VC folder of an installed version, or "" when there is none.
std::string InstalledVcDir(Env& env, VersionIndex index) {
    const std::string root = GetVisualStudioRoot(env, index);
    if (root.empty()) {
        return std::string();
    }
    std::string vcDir = GetVcDir(index, root);
    return IsExistingDirectory(env, vcDir) ? vcDir : std::string();
}

// The shipped wizards carry default.js for 7.x and default05.js for later
// versions; each version keeps the one it runs as default.js. For 7.x only
// TessaloomsWiz loses its newer script. True when each script is in place.
bool SelectWizardScripts(Env& env, VersionIndex index, const std::string& vcDir) {
    if (!UsesNewerLayout(index)) {
        return env.DeleteFileAt(ScriptsDir(vcDir, kWizardFolders[0]) + "default05.js");
    }
    bool complete = true;
    for (const char* wizard : kWizardFolders) {
        const std::string scripts = ScriptsDir(vcDir, wizard);
        env.DeleteFileAt(scripts + "default.js");
        complete &= env.CopyFileTo(scripts + "default05.js", scripts + "default.js", false);
        env.DeleteFileAt(scripts + "default05.js");
    }
    return complete;
}

// Copies folder `from` as `to`, or with `contentOnly` its entries into
// `to`; true only when all of it arrived.
bool CopyTemplates(Env& env, const std::string& from, const std::string& to, bool contentOnly) {
    return CopyTree(env, contentOnly ? from + "\\*" : from, to) && HoldsContentOf(env, from, to);
}

// True when the folder is gone, or was never there.
bool DeleteTreeIfPresent(Env& env, const std::string& path) {
    if (!IsExistingDirectory(env, path)) {
        return true;
    }
    return DeleteTree(env, path) && !IsExistingDirectory(env, path);
}

}  // namespace

bool DeployForVersion(Env& env, VersionIndex index) {
    const std::string vcDir = InstalledVcDir(env, index);
    if (vcDir.empty()) {
        return true;
    }
    const std::string source = TemplatesDir + GetVersionString(index) + "\\VCPlusPlus\\";
    bool complete = CopyTemplates(env, source + "TessaloomProjectMFC",
                                  vcDir + "\\vcprojects\\TessaloomsMFC", false);
    complete &= CopyTemplates(env, source + "TessaloomsMFC",
                              vcDir + "\\vcprojectitems\\TessaloomsMFC", false);
    complete &=
        CopyTemplates(env, TemplatesDir + "Templates\\VCPlusPlus", vcDir + "\\VCWizards", true);
    complete &= SelectWizardScripts(env, index, vcDir);
    return complete;
}

bool RemoveForVersion(Env& env, VersionIndex index) {
    const std::string vcDir = InstalledVcDir(env, index);
    if (vcDir.empty()) {
        return true;
    }
    bool complete = DeleteTreeIfPresent(env, vcDir + "\\vcprojects\\TessaloomsMFC");
    complete &= DeleteTreeIfPresent(env, vcDir + "\\vcprojectitems\\TessaloomsMFC");
    for (const char* wizard : kWizardFolders) {
        complete &= DeleteTreeIfPresent(env, vcDir + "\\VCWizards\\" + wizard);
    }
    return complete;
}

bool DeployAllVersions(Env& env) {
    bool complete = true;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        complete &= DeployForVersion(env, index);
    }
    return complete;
}

bool RemoveAllVersions(Env& env) {
    bool complete = true;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        complete &= RemoveForVersion(env, index);
    }
    return complete;
}

}  // namespace orvane

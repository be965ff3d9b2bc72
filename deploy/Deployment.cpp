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
// TessaloomsWiz loses its newer script.
void SelectWizardScripts(Env& env, VersionIndex index, const std::string& vcDir) {
    if (!UsesNewerLayout(index)) {
        env.DeleteFileAt(ScriptsDir(vcDir, kWizardFolders[0]) + "default05.js");
        return;
    }
    for (const char* wizard : kWizardFolders) {
        const std::string scripts = ScriptsDir(vcDir, wizard);
        env.DeleteFileAt(scripts + "default.js");
        env.CopyFileTo(scripts + "default05.js", scripts + "default.js", false);
        env.DeleteFileAt(scripts + "default05.js");
    }
}

void DeleteTreeIfPresent(Env& env, const std::string& path) {
    if (IsExistingDirectory(env, path)) {
        DeleteTree(env, path);
    }
}

}  // namespace

void DeployForVersion(Env& env, VersionIndex index) {
    const std::string vcDir = InstalledVcDir(env, index);
    if (vcDir.empty()) {
        return;
    }
    const std::string source = TemplatesDir + GetVersionString(index) + "\\VCPlusPlus\\";
    CopyTree(env, source + "TessaloomProjectMFC", vcDir + "\\vcprojects\\TessaloomsMFC");
    CopyTree(env, source + "TessaloomsMFC", vcDir + "\\vcprojectitems\\TessaloomsMFC");
    CopyTree(env, TemplatesDir + "Templates\\VCPlusPlus\\*", vcDir + "\\VCWizards");
    SelectWizardScripts(env, index, vcDir);
}

void RemoveForVersion(Env& env, VersionIndex index) {
    const std::string vcDir = InstalledVcDir(env, index);
    if (vcDir.empty()) {
        return;
    }
    DeleteTreeIfPresent(env, vcDir + "\\vcprojects\\TessaloomsMFC");
    DeleteTreeIfPresent(env, vcDir + "\\vcprojectitems\\TessaloomsMFC");
    for (const char* wizard : kWizardFolders) {
        DeleteTreeIfPresent(env, vcDir + "\\VCWizards\\" + wizard);
    }
}

void DeployAllVersions(Env& env) {
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        DeployForVersion(env, index);
    }
}

void RemoveAllVersions(Env& env) {
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        RemoveForVersion(env, index);
    }
}

}  // namespace orvane

#include "deploy/Deployment.h"

#include <string>

#include "app/TemplatesDir.h"
#include "customise/ProjectRewriter.h"
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

const char* const kTemplateFolders[] = {"TessaloomProjectMFC", "TessaloomsMFC"};

std::string TemplateSource(const std::string& templatesDir, VersionIndex index,
                           const char* folder) {
    return templatesDir + GetVersionString(index) + "\\VCPlusPlus\\" + folder;
}

std::string WizardSource(const std::string& templatesDir) {
    return templatesDir + "Templates\\VCPlusPlus";
}

// Copies folder `from` as `to`, or with `contentOnly` its entries into
// `to`; true only when all of it arrived. The shell follows links, so the
// tree is looked at once more right before, and not copied with a link in it.
bool CopyTemplates(Env& env, const std::string& from, const std::string& to, bool contentOnly) {
    return IsFreeOfLinks(env, GetTrustedRoot(TemplatesDir), from) &&
           CopyTree(env, contentOnly ? from + "\\*" : from, to) && HoldsContentOf(env, from, to);
}

// True when the folder is gone, or was never there.
bool DeleteTreeIfPresent(Env& env, const std::string& path) {
    if (!IsExistingDirectory(env, path)) {
        return true;
    }
    return DeleteTree(env, path) && !IsExistingDirectory(env, path);
}

}  // namespace

std::vector<std::string> GetTemplateTrees(const std::string& templatesDir) {
    std::vector<std::string> trees;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        for (const char* folder : kTemplateFolders) {
            trees.push_back(TemplateSource(templatesDir, index, folder));
        }
    }
    trees.push_back(WizardSource(templatesDir));
    return trees;
}

bool DeployForVersion(Env& env, VersionIndex index) {
    const std::string vcDir = InstalledVcDir(env, index);
    if (vcDir.empty()) {
        return true;
    }
    bool complete = CopyTemplates(env, TemplateSource(TemplatesDir, index, kTemplateFolders[0]),
                                  vcDir + "\\vcprojects\\TessaloomsMFC", false);
    complete &= CopyTemplates(env, TemplateSource(TemplatesDir, index, kTemplateFolders[1]),
                              vcDir + "\\vcprojectitems\\TessaloomsMFC", false);
    complete &= CopyTemplates(env, WizardSource(TemplatesDir), vcDir + "\\VCWizards", true);
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

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
    const std::string wizards = vcDir + "\\VCWizards";
    bool complete = true;
    for (const char* wizard : kWizardFolders) {
        FileCloser scripts(env);
        std::string name;
        const bool opened = OpenParentBelow(
            env, wizards, ScriptsDir(vcDir, wizard) + "default.js", scripts.put(), &name);
        if (!UsesNewerLayout(index)) {
            // There to delete, and gone.
            FileCloser newer(env);
            return opened &&
                   env.OpenChild(scripts.get(), "default05.js", Access::kRemove, newer.put()) ==
                       EntryKind::kFile &&
                   env.DeleteOpened(newer.get());
        }
        if (!opened) {
            complete = false;
            continue;
        }
        ClearChild(env, scripts.get(), "default.js");
        complete &= CopyChild(env, scripts.get(), "default05.js", scripts.get(), "default.js");
        ClearChild(env, scripts.get(), "default05.js");
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

// Copies folder `from` of the product as `to`, or with `contentOnly` its
// entries into `to`, a folder below Visual Studio's `toRoot`. True only
// when all of it arrived.
bool CopyTemplates(Env& env, const std::string& from, const std::string& toRoot,
                   const std::string& to, bool contentOnly) {
    return CopyTree(env, GetTrustedRoot(TemplatesDir), contentOnly ? from + "\\*" : from, toRoot,
                    to);
}

// Deletes folder `name` of Visual Studio's folder `root` and whatever is
// in it. True when it is gone, or was never there; a file of that name is
// not Orvane's and stays.
bool DeleteTreeIfPresent(Env& env, const std::string& root, const std::string& name) {
    const std::string path = root + "\\" + name;
    switch (InspectBelow(env, root, path)) {
        case EntryKind::kMissing:
        case EntryKind::kFile:
            return true;
        case EntryKind::kFolder:
        case EntryKind::kLink:
            break;
    }
    return DeleteTree(env, root, path);
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
    const std::string projects = vcDir + "\\vcprojects";
    const std::string items = vcDir + "\\vcprojectitems";
    const std::string wizards = vcDir + "\\VCWizards";
    bool complete = CopyTemplates(env, TemplateSource(TemplatesDir, index, kTemplateFolders[0]),
                                  projects, projects + "\\TessaloomsMFC", false);
    complete &= CopyTemplates(env, TemplateSource(TemplatesDir, index, kTemplateFolders[1]), items,
                              items + "\\TessaloomsMFC", false);
    complete &= CopyTemplates(env, WizardSource(TemplatesDir), wizards, wizards, true);
    complete &= SelectWizardScripts(env, index, vcDir);
    return complete;
}

bool RemoveForVersion(Env& env, VersionIndex index) {
    const std::string vcDir = InstalledVcDir(env, index);
    if (vcDir.empty()) {
        return true;
    }
    bool complete = DeleteTreeIfPresent(env, vcDir + "\\vcprojects", "TessaloomsMFC");
    complete &= DeleteTreeIfPresent(env, vcDir + "\\vcprojectitems", "TessaloomsMFC");
    for (const char* wizard : kWizardFolders) {
        complete &= DeleteTreeIfPresent(env, vcDir + "\\VCWizards", wizard);
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

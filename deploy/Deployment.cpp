#include "deploy/Deployment.h"

#include <string>

#include "app/TemplatesDir.h"
#include "customise/ProjectRewriter.h"
#include "deploy/FileSystem.h"

namespace orvane {
namespace {

const char* const kWizardFolders[] = {"TessaloomsWiz", "TessaloomsTemplateWiz"};
const char* const kTemplateFolders[] = {"TessaloomProjectMFC", "TessaloomsMFC"};

std::string ScriptsDir(const std::string& vcDir, const char* wizard) {
    return vcDir + "\\VCWizards\\" + wizard + "\\scripts\\1033\\";
}

// Tells the caller that a step in version `index` did not have its
// effect; false, for the step's result.
bool Report(Env& env, VersionIndex index, const std::string& vcDir, const std::string& what) {
    env.Tell("Orvane: Visual Studio " + GetVersionString(index) + " (" + vcDir + "): " + what);
    return false;
}

// A version whose registered location the code page cannot hold exactly is
// not served: the text Orvane could use names another folder.
bool TellNotServed(Env& env, VersionIndex index, const char* what) {
    env.Tell("Orvane: Visual Studio " + GetVersionString(index) +
             ": its InstallDir has a character the code page cannot hold exactly, so the "
             "templates were not " +
             what + " it.");
    return false;
}

// The shipped wizards carry default.js for 7.x and default05.js for later
// versions; each version keeps the one it runs as default.js. For 7.x only
// TessaloomsWiz loses its newer script. True when each script is in place.
bool SelectWizardScripts(Env& env, VersionIndex index, const std::string& vcDir) {
    const std::string wizards = vcDir + "\\VCWizards";
    bool complete = true;
    for (const char* wizard : kWizardFolders) {
        const std::string scriptsDir = ScriptsDir(vcDir, wizard);
        FileCloser scripts(env);
        std::string name;
        if (!OpenParentBelow(env, wizards, scriptsDir + "default.js", scripts.put(), &name)) {
            complete = Report(env, index, vcDir,
                              scriptsDir + " cannot be opened as itself: " + env.LastFailure());
            if (!UsesNewerLayout(index)) {
                break;
            }
            continue;
        }
        if (!UsesNewerLayout(index)) {
            // There to delete, and gone.
            FileCloser newer(env);
            if (env.OpenChild(scripts.get(), "default05.js", Access::kRemove, newer.put()) !=
                    EntryKind::kFile ||
                !env.DeleteOpened(newer.get())) {
                complete = Report(env, index, vcDir,
                                  scriptsDir + "default05.js not deleted: " + env.LastFailure());
            }
            break;
        }
        ClearChild(env, scripts.get(), "default.js");
        if (!CopyChild(env, scripts.get(), "default05.js", scripts.get(), "default.js")) {
            complete =
                Report(env, index, vcDir,
                       scriptsDir + "default.js not made from default05.js: " + env.LastFailure());
        }
        ClearChild(env, scripts.get(), "default05.js");
    }
    return complete;
}

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
bool CopyTemplates(Env& env, VersionIndex index, const std::string& vcDir, const std::string& from,
                   const std::string& toRoot, const std::string& to, bool contentOnly) {
    std::string failure;
    return CopyTree(env, GetTrustedRoot(TemplatesDir), contentOnly ? from + "\\*" : from, toRoot,
                    to, &failure) ||
           Report(env, index, vcDir, to + " did not get everything: " + failure);
}

// Into VCWizards go Orvane's own two wizard folders, merged into what is
// there, and whatever else the product ships there that Visual Studio does
// not have yet: an entry of Visual Studio's own is never replaced.
bool CopyWizards(Env& env, VersionIndex index, const std::string& vcDir) {
    const std::string from = WizardSource(TemplatesDir);
    const std::string wizards = vcDir + "\\VCWizards";
    FileCloser source(env);
    std::vector<DirectoryEntry> entries;
    if (OpenBelow(env, GetTrustedRoot(TemplatesDir), from, Access::kLook, source.put()) !=
            EntryKind::kFolder ||
        !env.ListFolder(source.get(), &entries)) {
        return Report(env, index, vcDir,
                      wizards + " did not get everything: " + from + ": " + env.LastFailure());
    }
    source.Close();
    bool complete = true;
    for (const DirectoryEntry& entry : entries) {
        if (!entry.exact) {
            complete = Report(env, index, vcDir,
                              wizards + " did not get everything: " + from + "\\" + entry.name +
                                  ": its name has a character the code page cannot hold exactly");
            continue;
        }
        bool own = false;
        for (const char* wizard : kWizardFolders) {
            own |= IsSameNameCaseless(entry.name, wizard);
        }
        const std::string target = wizards + "\\" + entry.name;
        if (own) {
            complete &=
                CopyTemplates(env, index, vcDir, from + "\\" + entry.name, wizards, target, true);
        } else if (InspectBelow(env, wizards, target) == EntryKind::kMissing) {
            complete &=
                CopyTemplates(env, index, vcDir, from + "\\" + entry.name, wizards, target, false);
        }
    }
    return complete;
}

// Deletes folder `name` of Visual Studio's folder `root` and whatever is
// in it. True when it is gone, or was never there; a file of that name is
// not Orvane's and stays.
bool DeleteTreeIfPresent(Env& env, VersionIndex index, const std::string& vcDir,
                         const std::string& root, const std::string& name) {
    const std::string path = root + "\\" + name;
    switch (InspectBelow(env, root, path)) {
        case EntryKind::kMissing:
        case EntryKind::kFile:
            return true;
        case EntryKind::kFolder:
        case EntryKind::kLink:
            break;
    }
    std::string failure;
    return DeleteTree(env, root, path, &failure) ||
           Report(env, index, vcDir, path + " not removed whole: " + failure);
}

}  // namespace

std::string GetInstalledVcDir(Env& env, VersionIndex index, bool* inexact) {
    const std::string root = GetVisualStudioRoot(env, index, inexact);
    if (root.empty()) {
        return std::string();
    }
    std::string vcDir = GetVcDir(index, root);
    return IsExistingDirectory(env, vcDir) ? vcDir : std::string();
}

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
    bool inexact = false;
    const std::string vcDir = GetInstalledVcDir(env, index, &inexact);
    if (vcDir.empty()) {
        return !inexact || TellNotServed(env, index, "added to");
    }
    const std::string projects = vcDir + "\\vcprojects";
    const std::string items = vcDir + "\\vcprojectitems";
    bool complete =
        CopyTemplates(env, index, vcDir, TemplateSource(TemplatesDir, index, kTemplateFolders[0]),
                      projects, projects + "\\TessaloomsMFC", false);
    complete &=
        CopyTemplates(env, index, vcDir, TemplateSource(TemplatesDir, index, kTemplateFolders[1]),
                      items, items + "\\TessaloomsMFC", false);
    complete &= CopyWizards(env, index, vcDir);
    complete &= SelectWizardScripts(env, index, vcDir);
    return complete;
}

bool RemoveForVersion(Env& env, VersionIndex index) {
    bool inexact = false;
    const std::string vcDir = GetInstalledVcDir(env, index, &inexact);
    if (vcDir.empty()) {
        return !inexact || TellNotServed(env, index, "removed from");
    }
    bool complete = DeleteTreeIfPresent(env, index, vcDir, vcDir + "\\vcprojects", "TessaloomsMFC");
    complete &= DeleteTreeIfPresent(env, index, vcDir, vcDir + "\\vcprojectitems", "TessaloomsMFC");
    for (const char* wizard : kWizardFolders) {
        complete &= DeleteTreeIfPresent(env, index, vcDir, vcDir + "\\VCWizards", wizard);
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

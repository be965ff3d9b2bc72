#include "deploy/Staging.h"

#include <array>
#include <utility>

#include "deploy/Layout.h"
#include "deploy/VisualStudio.h"

namespace orvane {
namespace {

// Where staged wizard `wizard` keeps its scripts.
std::string ScriptsPath(const std::string& wizardsPath, const char* wizard) {
    return Below(Below(Below(wizardsPath, wizard), kScriptFolders[0]), kScriptFolders[1]);
}

}  // namespace

bool Staging::Stage(const Product& product, PendingWrites& pending) {
    pending_ = &pending;
    Folder staging;
    std::array<Folder, kTopCount> tops;
    if (!vc_.MakeFolder(vc_.handle(), vc_.shown(), kStaging, &staging)) {
        return false;
    }
    const std::string at = vc_.Path(kStaging);
    for (int top = 0; top < kTopCount; ++top) {
        if (!vc_.MakeFolder(staging, at, kTops[top], &tops[top])) {
            return false;
        }
    }
    const std::string version = vc_.Version();
    return StageFolder(product, GetTemplateSource(product, version, kProjectTemplates),
                       tops[kProjectsTop], Below(at, kTops[kProjectsTop]), kTemplateFolder) &&
           StageFolder(product, GetTemplateSource(product, version, kItemTemplates),
                       tops[kItemsTop], Below(at, kTops[kItemsTop]), kTemplateFolder) &&
           StageWizards(product, tops[kWizardsTop], Below(at, kTops[kWizardsTop]));
}

bool Staging::ArrangeScripts() {
    const std::string at = vc_.Path(kStaging);
    const std::string wizardsPath = Below(at, kTops[kWizardsTop]);
    Folder staging;
    Folder wizards;
    if (!vc_.OpenOwnFolder(vc_.handle(), vc_.shown(), kStaging, &staging) ||
        !vc_.OpenOwnFolder(staging, at, kTops[kWizardsTop], &wizards)) {
        return false;
    }
    return UsesNewerLayout(vc_.index()) ? UseNewerScripts(wizards, wizardsPath)
                                        : KeepOlderScripts(wizards, wizardsPath);
}

// Opens the product's folder `from` as a folder of its own.
bool Staging::OpenSource(const Product& product, const std::string& from, Folder* source) {
    Child child;
    const Status status = OpenBelow(vc_.env(), product.trustedRoot, from, Access::kLook, &child);
    if (!status.ok()) {
        return vc_.Fail(from + " cannot be opened: " + status.reason());
    }
    if (child.kind != EntryKind::kFolder) {
        return vc_.Fail(from + " is not a folder of the product's own");
    }
    *source = std::move(child.folder);
    return true;
}

// Copies the product's folder `from` as a new folder `name` of `parent`.
bool Staging::StageFolder(const Product& product, const std::string& from, const Folder& parent,
                          const std::string& parentPath, const std::string& name) {
    Folder source;
    return OpenSource(product, from, &source) &&
           CopyFolderAs(source, from, parent, parentPath, name);
}

bool Staging::CopyFolderAs(const Folder& source, const std::string& from, const Folder& parent,
                           const std::string& parentPath, const std::string& name) {
    Folder copy;
    if (!vc_.MakeFolder(parent, parentPath, name.c_str(), &copy)) {
        return false;
    }
    const Status status = CopyFolderContent(source, from, copy, Below(parentPath, name),
                                            Destination::kNew, *pending_);
    return status.ok() ||
           vc_.Fail(Below(parentPath, name) + " did not get everything: " + status.reason());
}

// Orvane's own two wizards, and whatever else the product ships for
// VCWizards that Visual Studio does not have yet: an entry of its own
// is never replaced.
bool Staging::StageWizards(const Product& product, const Folder& wizards,
                           const std::string& wizardsPath) {
    const std::string from = GetWizardSource(product);
    Folder source;
    Folder theirs;
    std::vector<DirectoryEntry> entries;
    if (!OpenSource(product, from, &source) || !vc_.OpenTop(kWizardsTop, false, &theirs)) {
        return false;
    }
    const Status listed = source.List(&entries);
    if (!listed.ok()) {
        return vc_.Fail(from + " cannot be listed: " + listed.reason());
    }
    for (const DirectoryEntry& entry : entries) {
        if (const char* why = UnusableName(entry)) {
            return vc_.Fail(Below(from, entry.name) + ": " + why);
        }
        Child there;
        const bool own = IsOwnName(kWizardsTop, entry.name);
        if (!own && !record_.Holds(entry.name, Added::kNone) && theirs.IsOpen() &&
            (!theirs.OpenChild(entry.name, Access::kLook, &there).ok() ||
             there.kind != EntryKind::kMissing)) {
            continue;
        }
        if (!StageWizardEntry(source, from, entry.name, wizards, wizardsPath)) {
            return false;
        }
        if (!own) {
            added_.push_back(entry.name);
        }
    }
    return true;
}

bool Staging::StageWizardEntry(const Folder& source, const std::string& from,
                               const std::string& name, const Folder& wizards,
                               const std::string& wizardsPath) {
    Child child;
    Status status = source.OpenChild(name, Access::kLook, &child);
    if (status.ok() && child.kind == EntryKind::kFolder) {
        return CopyFolderAs(child.folder, Below(from, name), wizards, wizardsPath, name);
    }
    if (status.ok()) {
        status = child.kind == EntryKind::kFile
                     ? CopyChild(source, name, wizards, name, *pending_)
                     : Status::Failure(0, Below(from, name) + ": " + kNotItself);
    }
    return status.ok() || vc_.Fail(Below(wizardsPath, name) + " cannot be copied from " +
                                   Below(from, name) + ": " + status.reason());
}

// Opens staged wizard `wizard`'s scripts folder, and its newer script.
bool Staging::OpenNewerScript(const Folder& wizards, const std::string& wizardsPath,
                              const char* wizard, Folder* scripts, Child* script) {
    const std::string path = ScriptsPath(wizardsPath, wizard);
    Child child;
    const Folder* parent = &wizards;
    Folder held;
    for (const char* name : {wizard, kScriptFolders[0], kScriptFolders[1]}) {
        Status status = parent->OpenChild(name, Access::kLook, &child);
        if (status.ok() && child.kind != EntryKind::kFolder) {
            status = Status::Failure(0, "it is not a folder of its own");
        }
        if (!status.ok()) {
            return vc_.Fail(path + ": " + status.reason());
        }
        held = std::move(child.folder);
        parent = &held;
    }
    *scripts = std::move(held);
    Status status = scripts->OpenChild(kNewerScript, Access::kRemove, script);
    if (status.ok() && script->kind != EntryKind::kFile) {
        status = Status::Failure(0, "it is not a file of its own");
    }
    return status.ok() || vc_.Fail(Below(path, kNewerScript) + ": " + status.reason());
}

// Visual Studio 8.0 to 10.0 run each wizard's newer script, shipped as
// default05.js, as their default.js.
bool Staging::UseNewerScripts(const Folder& wizards, const std::string& wizardsPath) {
    for (const char* wizard : kWizardFolders) {
        Folder scripts;
        Child script;
        if (!OpenNewerScript(wizards, wizardsPath, wizard, &scripts, &script)) {
            return false;
        }
        const Status status = script.file.MoveTo(scripts, kOlderScript, true);
        if (!status.ok()) {
            return vc_.Fail(Below(ScriptsPath(wizardsPath, wizard), kNewerScript) +
                            " cannot become default.js: " + status.reason());
        }
    }
    return true;
}

// Visual Studio 7.x runs the default.js shipped; TessaloomsWiz's newer
// script, which it would list, goes.
bool Staging::KeepOlderScripts(const Folder& wizards, const std::string& wizardsPath) {
    Folder scripts;
    Child script;
    if (!OpenNewerScript(wizards, wizardsPath, kWizardFolders[0], &scripts, &script)) {
        return false;
    }
    const Status status = script.file.Delete();
    return status.ok() ||
           vc_.Fail(Below(ScriptsPath(wizardsPath, kWizardFolders[0]), kNewerScript) +
                    " cannot be deleted: " + status.reason());
}

}  // namespace orvane

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

Status Staging::Stage(const Product& product, PendingWrites& pending) {
    pending_ = &pending;
    Folder staging;
    std::array<Folder, kTopCount> tops;
    Status status = vc_.MakeFolder(vc_.handle(), vc_.shown(), kStaging, &staging);
    const std::string at = vc_.Path(kStaging);
    for (int top = 0; top < kTopCount && status.ok(); ++top) {
        status = vc_.MakeFolder(staging, at, kTops[top], &tops[top]);
    }
    const std::string version = vc_.Version();
    if (status.ok()) {
        status = StageFolder(product, GetTemplateSource(product, version, kProjectTemplates),
                             tops[kProjectsTop], Below(at, kTops[kProjectsTop]), kTemplateFolder);
    }
    if (status.ok()) {
        status = StageFolder(product, GetTemplateSource(product, version, kItemTemplates),
                             tops[kItemsTop], Below(at, kTops[kItemsTop]), kTemplateFolder);
    }
    return status.ok() ? StageWizards(product, tops[kWizardsTop], Below(at, kTops[kWizardsTop]))
                       : status;
}

Status Staging::ArrangeScripts() {
    const std::string at = vc_.Path(kStaging);
    const std::string wizardsPath = Below(at, kTops[kWizardsTop]);
    Folder staging;
    Folder wizards;
    Status status = vc_.OpenOwnFolder(vc_.handle(), vc_.shown(), kStaging, &staging);
    if (status.ok()) {
        status = vc_.OpenOwnFolder(staging, at, kTops[kWizardsTop], &wizards);
    }
    if (!status.ok()) {
        return status;
    }
    return UsesNewerLayout(vc_.index()) ? UseNewerScripts(wizards, wizardsPath)
                                        : KeepOlderScripts(wizards, wizardsPath);
}

// Opens the product's folder `from` as a folder of its own.
Status Staging::OpenSource(const Product& product, const std::string& from, Folder* source) {
    Child child;
    const Status status = OpenBelow(product.trusted, from, Access::kLook, &child);
    if (!status.ok()) {
        return Failed(from + " cannot be opened: " + status.reason(), status);
    }
    if (child.kind != EntryKind::kFolder) {
        return Failed(from + " is not a folder of the product's own");
    }
    *source = std::move(child.folder);
    return status;
}

// Copies the product's folder `from` as a new folder `name` of `parent`.
Status Staging::StageFolder(const Product& product, const std::string& from, const Folder& parent,
                            const std::string& parentPath, const std::string& name) {
    Folder source;
    const Status status = OpenSource(product, from, &source);
    return status.ok() ? CopyFolderAs(source, from, parent, parentPath, name) : status;
}

Status Staging::CopyFolderAs(const Folder& source, const std::string& from, const Folder& parent,
                             const std::string& parentPath, const std::string& name) {
    Folder copy;
    Status status = vc_.MakeFolder(parent, parentPath, name.c_str(), &copy);
    if (!status.ok()) {
        return status;
    }
    status = CopyFolderContent(source, from, copy, Below(parentPath, name), Destination::kNew,
                               *pending_);
    return status.ok()
               ? status
               : Failed(Below(parentPath, name) + " did not get everything: " + status.reason(),
                        status);
}

// Orvane's own two wizards, and whatever else the product ships for
// VCWizards that Visual Studio does not have yet: an entry of its own
// is never replaced.
Status Staging::StageWizards(const Product& product, const Folder& wizards,
                             const std::string& wizardsPath) {
    const std::string from = GetWizardSource(product);
    Folder source;
    Folder theirs;
    std::vector<DirectoryEntry> entries;
    Status status = OpenSource(product, from, &source);
    if (status.ok()) {
        status = vc_.OpenTop(kWizardsTop, false, &theirs);
    }
    if (!status.ok()) {
        return status;
    }
    status = source.List(&entries);
    if (!status.ok()) {
        return Failed(from + " cannot be listed: " + status.reason(), status);
    }
    for (const DirectoryEntry& entry : entries) {
        if (const char* why = UnusableName(entry)) {
            return Failed(Below(from, entry.name) + ": " + why);
        }
        Child there;
        const bool own = IsOwnName(kWizardsTop, entry.name);
        if (!own && !record_.Holds(entry.name, Added::kNone) && theirs.IsOpen() &&
            (!theirs.OpenChild(entry.name, Access::kLook, &there).ok() ||
             there.kind != EntryKind::kMissing)) {
            continue;
        }
        status = StageWizardEntry(source, from, entry.name, wizards, wizardsPath);
        if (!status.ok()) {
            return status;
        }
        if (!own) {
            added_.push_back(entry.name);
        }
    }
    return status;
}

Status Staging::StageWizardEntry(const Folder& source, const std::string& from,
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
    return status.ok() ? status
                       : Failed(Below(wizardsPath, name) + " cannot be copied from " +
                                    Below(from, name) + ": " + status.reason(),
                                status);
}

// Opens staged wizard `wizard`'s scripts folder, and its newer script.
Status Staging::OpenNewerScript(const Folder& wizards, const std::string& wizardsPath,
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
            return Failed(path + ": " + status.reason(), status);
        }
        held = std::move(child.folder);
        parent = &held;
    }
    *scripts = std::move(held);
    Status status = scripts->OpenChild(kNewerScript, Access::kRemove, script);
    if (status.ok() && script->kind != EntryKind::kFile) {
        status = Status::Failure(0, "it is not a file of its own");
    }
    return status.ok() ? status
                       : Failed(Below(path, kNewerScript) + ": " + status.reason(), status);
}

// Visual Studio 8.0 to 10.0 run each wizard's newer script, shipped as
// default05.js, as their default.js.
Status Staging::UseNewerScripts(const Folder& wizards, const std::string& wizardsPath) {
    for (const char* wizard : kWizardFolders) {
        Folder scripts;
        Child script;
        Status status = OpenNewerScript(wizards, wizardsPath, wizard, &scripts, &script);
        if (status.ok()) {
            status = script.file.MoveTo(scripts, kOlderScript, true);
            if (!status.ok()) {
                status = Failed(Below(ScriptsPath(wizardsPath, wizard), kNewerScript) +
                                    " cannot become default.js: " + status.reason(),
                                status);
            }
        }
        if (!status.ok()) {
            return status;
        }
    }
    return Status();
}

// Visual Studio 7.x runs the default.js shipped; TessaloomsWiz's newer
// script, which it would list, goes.
Status Staging::KeepOlderScripts(const Folder& wizards, const std::string& wizardsPath) {
    Folder scripts;
    Child script;
    Status status = OpenNewerScript(wizards, wizardsPath, kWizardFolders[0], &scripts, &script);
    if (!status.ok()) {
        return status;
    }
    status = script.file.Delete();
    return status.ok() ? status
                       : Failed(Below(ScriptsPath(wizardsPath, kWizardFolders[0]), kNewerScript) +
                                    " cannot be deleted: " + status.reason(),
                                status);
}

}  // namespace orvane

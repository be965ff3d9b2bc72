#include "deploy/VcFolder.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "deploy/FileSystem.h"
#include "deploy/Layout.h"

namespace orvane {

const char* const kTops[kTopCount] = {"vcprojects", "vcprojectitems", "VCWizards"};
const char* const kStaging = "Orvane.staging";
const char* const kInstallJournal = "Orvane.install";
const char* const kRemoveJournal = "Orvane.remove";
const char* const kAside = "Orvane.old";
const char* const kLeftovers = "Orvane.leftovers";

namespace {

// Every name of Orvane's in a VC folder begins so; one that is none of the
// journal's was planted, or left by another Orvane, and is discarded.
const char* const kOwnPrefix = "Orvane.";

bool IsJournalName(const std::string& name) {
    for (const char* own : {kStaging, kInstallJournal, kRemoveJournal, kAside, kLeftovers}) {
        if (IsSameNameCaseless(name, own)) {
            return true;
        }
    }
    return false;
}

// Opens folder `name` of `parent`, making it where nothing is there.
Status OpenOrMakeFolder(const Folder& parent, const char* name, Folder* folder) {
    Child child;
    Status status = parent.OpenChild(name, Access::kLook, &child);
    if (status.ok() && child.kind == EntryKind::kFolder) {
        *folder = std::move(child.folder);
        return status;
    }
    if (status.ok()) {
        status = child.kind == EntryKind::kMissing ? parent.NewFolder(name, folder)
                                                   : Status::Failure(0, kNotItself);
    }
    return status;
}

}  // namespace

std::vector<const char*> OwnNames(int top) {
    if (top == kWizardsTop) {
        return {kWizardFolders[0], kWizardFolders[1]};
    }
    return {kTemplateFolder};
}

bool IsOwnName(int top, const std::string& name) {
    for (const char* own : OwnNames(top)) {
        if (IsSameNameCaseless(name, own)) {
            return true;
        }
    }
    return false;
}

Status Failed(const std::string& what, const Status& cause) {
    return Status::Failure(cause.code(), what);
}

VcFolder::VcFolder(Env& env, const Installation& installation)
    : env_(env), installation_(installation), shown_(TidyPath(installation.vcDir)) {}

Status VcFolder::Open() {
    const Status status = env_.OpenFolder(installation_.vcDir, &vc_);
    return status.ok() ? status : Failed(shown_ + " cannot be opened: " + status.reason(), status);
}

std::string VcFolder::Version() const {
    return GetVersionString(installation_.index);
}

void VcFolder::Note(const std::string& what) const {
    env_.Tell("Orvane: Visual Studio " + Version() + " (" + shown_ + "): " + what);
}

bool VcFolder::Told(const Status& status) const {
    if (!status.ok()) {
        Note(status.reason());
    }
    return status.ok();
}

Status VcFolder::OpenTop(int top, bool make, Folder* folder) const {
    Child child;
    const Status status = vc_.OpenChild(kTops[top], Access::kLook, &child);
    if (!status.ok()) {
        return Failed(Path(kTops[top]) + " cannot be opened: " + status.reason(), status);
    }
    switch (child.kind) {
        case EntryKind::kFolder:
            *folder = std::move(child.folder);
            return Status();
        case EntryKind::kMissing:
            return make ? MakeFolder(vc_, shown_, kTops[top], folder) : Status();
        case EntryKind::kFile:
        case EntryKind::kLink:
            break;
    }
    return Failed(Path(kTops[top]) +
                  " is not a folder of its own (a link, or a file in its place), so nothing is "
                  "written through it");
}

Status VcFolder::OpenOwnFolder(const Folder& parent, const std::string& parentPath,
                               const char* name, Folder* folder) const {
    Child child;
    Status status = parent.OpenChild(name, Access::kLook, &child);
    if (status.ok() && child.kind != EntryKind::kFolder) {
        status = Status::Failure(0, "it is not a folder of its own");
    }
    if (!status.ok()) {
        return Failed(Below(parentPath, name) + ": " + status.reason(), status);
    }
    *folder = std::move(child.folder);
    return Status();
}

Status VcFolder::MakeFolder(const Folder& parent, const std::string& parentPath, const char* name,
                            Folder* folder) const {
    const Status status = parent.NewFolder(name, folder);
    return status.ok()
               ? status
               : Failed(Below(parentPath, name) + " cannot be made: " + status.reason(), status);
}

Status VcFolder::OpenOrMake(const Folder& parent, const std::string& parentPath, const char* name,
                            Folder* folder) const {
    const Status status = OpenOrMakeFolder(parent, name, folder);
    return status.ok() ? status
                       : Failed(Below(parentPath, name) +
                                    " cannot be made as a folder of its own: " + status.reason(),
                                status);
}

Status VcFolder::Discard(const Folder& parent, const std::string& parentPath,
                         const std::string& name) const {
    const Status deleted = DeleteEntry(env_, parent, parentPath, name);
    if (deleted.ok()) {
        return deleted;
    }
    const Status moved = MoveToLeftovers(parent, name);
    if (!moved.ok()) {
        return Failed(Below(parentPath, name) + " could not be deleted (" + deleted.reason() +
                          ") nor moved into " + Path(kLeftovers) + ": " + moved.reason(),
                      moved);
    }
    Note(Below(parentPath, name) + " could not be deleted whole (" + deleted.reason() +
         "); what stays of it waits in " + Path(kLeftovers) +
         ", where Visual Studio does not look, for a later run to delete.");
    return Status();
}

Status VcFolder::MoveToLeftovers(const Folder& parent, const std::string& name) const {
    Folder leftovers;
    Child stuck;
    std::vector<DirectoryEntry> taken;
    Status status = OpenOrMakeFolder(vc_, kLeftovers, &leftovers);
    if (status.ok()) {
        status = parent.OpenChild(name, Access::kRemove, &stuck);
    }
    if (status.ok() && stuck.kind == EntryKind::kMissing) {
        return Status();  // what stayed went after all
    }
    if (status.ok() && !stuck.entry().IsOpen()) {
        status = Status::Failure(0, "it cannot be opened itself");
    }
    if (status.ok()) {
        status = leftovers.List(&taken);
    }
    for (std::size_t n = 1; status.ok(); ++n) {
        const std::string number = std::to_string(n);
        if (std::none_of(taken.begin(), taken.end(), [&](const DirectoryEntry& entry) {
                return IsSameNameCaseless(entry.name, number);
            })) {
            return stuck.entry().MoveTo(leftovers, number, false);
        }
    }
    return status;
}

Status VcFolder::SweepOrvaneNames() const {
    std::vector<DirectoryEntry> entries;
    Status status = vc_.List(&entries);
    if (!status.ok()) {
        return Failed(shown_ + " cannot be listed: " + status.reason(), status);
    }
    for (const DirectoryEntry& entry : entries) {
        const std::string prefix = entry.name.substr(0, std::strlen(kOwnPrefix));
        if (UnusableName(entry) == nullptr && IsSameNameCaseless(prefix, kOwnPrefix) &&
            !IsJournalName(entry.name)) {
            status = Discard(vc_, shown_, entry.name);
            if (!status.ok()) {
                return status;
            }
        }
    }
    return EmptyLeftovers();
}

Status VcFolder::EmptyLeftovers() const {
    std::vector<DirectoryEntry> entries;
    Child found;
    Status status = vc_.OpenChild(kLeftovers, Access::kLook, &found);
    if (status.ok() && found.kind == EntryKind::kMissing) {
        return status;
    }
    if (status.ok() && found.kind != EntryKind::kFolder) {
        return Discard(vc_, shown_, kLeftovers);
    }
    if (status.ok()) {
        status = found.folder.List(&entries);
    }
    if (!status.ok()) {
        return Failed(Path(kLeftovers) + " cannot be looked at: " + status.reason(), status);
    }
    int staying = 0;
    Status first;
    for (const DirectoryEntry& entry : entries) {
        const Status deleted = UnusableName(entry) == nullptr
                                   ? DeleteEntry(env_, found.folder, Path(kLeftovers), entry.name)
                                   : Status::Failure(0, UnusableName(entry));
        if (!deleted.ok()) {
            first = first.ok() ? deleted : first;
            ++staying;
        }
    }
    if (staying > 0) {
        Note(std::to_string(staying) + " of what earlier runs set aside in " + Path(kLeftovers) +
             " still cannot be deleted (" + first.reason() +
             "); it waits there, where Visual Studio does not look.");
    } else {
        found = Child();
        // An empty folder that stays is harmless.
        DeleteEntry(env_, vc_, shown_, kLeftovers).Ignore();
    }
    return Status();
}

Status VcFolder::RenameJournal(const char* from, const char* to) const {
    Child journal;
    const Status status = vc_.OpenChild(from, Access::kRemove, &journal);
    if (status.ok() && journal.kind != EntryKind::kFolder) {
        return Status::Failure(0, "it is not a folder of its own");
    }
    return status.ok() ? journal.folder.MoveTo(vc_, to, false) : status;
}

}  // namespace orvane

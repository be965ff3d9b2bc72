#include "deploy/Deployment.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <string>
#include <utility>

#include "deploy/FileSystem.h"
#include "deploy/Layout.h"

namespace orvane {
namespace {

// Visual Studio's three folders that hold Orvane's entries, by index.
const char* const kTops[] = {"vcprojects", "vcprojectitems", "VCWizards"};
constexpr int kTopCount = 3;
constexpr int kProjectsTop = 0;
constexpr int kItemsTop = 1;
constexpr int kWizardsTop = 2;

// The journal's names in the VC folder. Staging and old content are only
// ever discarded; a journal of a switch or a removal is only ever finished.
const char* const kStaging = "Orvane.staging";
const char* const kInstallJournal = "Orvane.install";
const char* const kRemoveJournal = "Orvane.remove";
const char* const kAside = "Orvane.old";
// What a run set aside and could not delete (a link Wine will not remove
// itself, a file another program holds), under numbered names: every later
// run tries again to delete it.
const char* const kLeftovers = "Orvane.leftovers";
// Every name of Orvane's in a VC folder begins so; one that is none of the
// above was planted, or left by another Orvane, and is discarded.
const char* const kOwnPrefix = "Orvane.";

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

bool IsJournalName(const std::string& name) {
    for (const char* own : {kStaging, kInstallJournal, kRemoveJournal, kAside, kLeftovers}) {
        if (IsSameNameCaseless(name, own)) {
            return true;
        }
    }
    return false;
}

std::string Below(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

// Orvane's own names in Visual Studio's folder `top`.
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

// The entries of a version's VCWizards that installations added beside
// Orvane's own, where Visual Studio had nothing, are recorded in the
// registry, one value per version: only administrators may write there,
// while anything in a VC folder is untrusted, and a record found there
// would let whoever planted it steer what an elevated removal deletes.
const char* const kAddedKey = "Software\\Orvane";

// One recorded entry. While a switch is pending, an entry it adds anew is
// marked so, and one it takes away (the product no longer ships it) so.
struct Added {
    enum Pending { kNone, kAdding, kDropping };
    std::string name;
    Pending pending;
};

// The record's text: names joined by "|", marked by a leading "*" (adding)
// or "?" (dropping); no Windows name holds any of the three.
std::string RecordText(const std::vector<Added>& added) {
    std::string text;
    for (const Added& entry : added) {
        text += text.empty() ? "" : "|";
        text += entry.pending == Added::kAdding     ? "*"
                : entry.pending == Added::kDropping ? "?"
                                                    : "";
        text += entry.name;
    }
    return text;
}

std::vector<Added> ParseRecord(const std::string& text) {
    std::vector<Added> added;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('|', start), text.size());
        std::string name = text.substr(start, end - start);
        const Added::Pending pending = name.empty()     ? Added::kNone
                                       : name[0] == '*' ? Added::kAdding
                                       : name[0] == '?' ? Added::kDropping
                                                        : Added::kNone;
        if (pending != Added::kNone) {
            name.erase(0, 1);
        }
        // Only single names of entries, as Orvane writes them.
        if (!name.empty() && name != "." && name != ".." &&
            name.find_first_of("*?\\/:") == std::string::npos) {
            added.push_back({name, pending});
        }
        start = end + 1;
    }
    return added;
}

// One entry moved by a switch: old content moved aside, or new content
// moved into its place.
struct Move {
    int top;
    std::string name;
    bool aside;
};

// The three folders a switch moves between, for each of Visual Studio's
// three: its own, the journal's and the old content's.
struct SwitchFolders {
    // A folder that is renamed must have nothing below it open.
    void CloseAll() {
        for (auto* folders : {&places, &journal, &asides}) {
            for (Folder& folder : *folders) {
                folder.Close();
            }
        }
    }
    std::array<Folder, kTopCount> places, journal, asides;
};

// One installation's VC folder, opened by the path the registry gives, and
// every step in it.
class Site {
  public:
    Site(Env& env, const Installation& installation)
        : env_(env), installation_(installation), shown_(TidyPath(installation.vcDir)) {}

    bool Open() {
        const Status status = env_.OpenFolder(installation_.vcDir, false, &vc_);
        return (status.ok() || Fail(shown_ + " cannot be opened: " + status.reason())) &&
               LoadRecord();
    }

    // Finishes what a run left half-done, and discards what it left aside.
    // False when the version cannot be served. What was set aside and
    // cannot be deleted (a link Wine will not remove itself, a file held
    // open) is told, and stays where Visual Studio does not look.
    bool Recover() {
        // Visual Studio's three folders are its own, or missing.
        for (int top = 0; top < kTopCount; ++top) {
            Folder folder;
            if (!OpenTop(top, false, &folder)) {
                return false;
            }
        }
        // What earlier runs (or others) left at Orvane's names goes first,
        // so that none of it can keep this run from staging anew.
        if (!SweepOrvaneNames() || !Discard(vc_, shown_, kStaging)) {
            return false;
        }
        for (const bool install : {true, false}) {
            const char* journal = install ? kInstallJournal : kRemoveJournal;
            EntryKind kind = EntryKind::kMissing;
            {
                Child found;
                const Status status = vc_.OpenChild(journal, Access::kLook, &found);
                if (!status.ok()) {
                    return Fail(Path(journal) + " cannot be opened: " + status.reason());
                }
                kind = found.kind;
            }
            if (kind == EntryKind::kFolder) {
                Note(std::string("finishing the ") + (install ? "installation" : "removal") +
                     " an earlier run left unfinished.");
                if (!ApplyJournal(install, false)) {
                    return false;
                }
            } else if (kind != EntryKind::kMissing) {
                // Not a journal Orvane wrote: nothing to finish.
                if (!Discard(vc_, shown_, journal)) {
                    return false;
                }
            }
        }
        // A switch that never began leaves its record's marks.
        return Discard(vc_, shown_, kAside) && WriteRecord(Unswitched());
    }

    // Copies all of this version's new content into staging, each file
    // written held in `pending` to be made durable.
    bool Stage(const Product& product, PendingWrites& pending) {
        pending_ = &pending;
        Folder staging;
        std::array<Folder, kTopCount> tops;
        if (!MakeFolder(vc_, shown_, kStaging, &staging)) {
            return false;
        }
        const std::string at = Path(kStaging);
        for (int top = 0; top < kTopCount; ++top) {
            if (!MakeFolder(staging, at, kTops[top], &tops[top])) {
                return false;
            }
        }
        const std::string version = Version();
        return StageFolder(product, GetTemplateSource(product, version, kProjectTemplates),
                           tops[kProjectsTop], Below(at, kTops[kProjectsTop]), kTemplateFolder) &&
               StageFolder(product, GetTemplateSource(product, version, kItemTemplates),
                           tops[kItemsTop], Below(at, kTops[kItemsTop]), kTemplateFolder) &&
               StageWizards(product, tops[kWizardsTop], Below(at, kTops[kWizardsTop]));
    }

    // Once the staged files are durable (and closed): each staged wizard
    // gets the script this version runs, by a rename or a delete inside
    // staging.
    bool ArrangeScripts() {
        const std::string at = Path(kStaging);
        const std::string wizardsPath = Below(at, kTops[kWizardsTop]);
        Folder staging;
        Folder wizards;
        if (!OpenOwnFolder(vc_, shown_, kStaging, &staging) ||
            !OpenOwnFolder(staging, at, kTops[kWizardsTop], &wizards)) {
            return false;
        }
        return UsesNewerLayout(installation_.index) ? UseNewerScripts(wizards, wizardsPath)
                                                    : KeepOlderScripts(wizards, wizardsPath);
    }

    // Puts the staged content in place: from here on the version is to get
    // all of it, and a run that is killed is finished by the next one.
    // The old content stays aside, with the journal, until Settle or
    // PutBack: a switch that fails in a later version puts this one back.
    // One whose own switch fails is put back at once.
    bool Switch() {
        env_.Log("Orvane: Visual Studio " + Version() + " (" + shown_ +
                 "): switching over to the new templates.");
        if (!WriteRecord(Pending())) {
            Discard(vc_, shown_, kStaging);
            return false;
        }
        const Status status = RenameJournal(kStaging, kInstallJournal);
        if (!status.ok()) {
            Discard(vc_, shown_, kStaging);
            return Fail(Path(kStaging) + " cannot become " + kInstallJournal + ": " +
                        status.reason());
        }
        return MoveJournal(true, true);
    }

    // Once every version is switched: the journal and the old content go.
    bool Settle() {
        if (!WriteRecord(Switched())) {
            return false;  // the journal stays, for the next run to record
        }
        switched_.CloseAll();
        return RetireJournal(kInstallJournal);
    }

    // Another version's switch failed: this one gets its old content back.
    bool PutBack() {
        const bool undone = Undo(moves_, &switched_);
        switched_.CloseAll();
        if (!undone) {
            return false;  // left for the next run to finish
        }
        Note("put back as it was, since another Visual Studio could not be switched over.");
        return RetireJournal(kInstallJournal) && WriteRecord(Unswitched());
    }

    // Moves Orvane's own entries aside and deletes them.
    bool Remove() {
        bool present = false;
        for (int top = 0; top < kTopCount && !present; ++top) {
            Folder place;
            if (!OpenTop(top, false, &place)) {
                return false;
            }
            present = place.IsOpen() && HoldsOwnEntry(top, place);
        }
        if (!present) {
            return WriteRecord({});
        }
        Folder journal;
        if (!MakeFolder(vc_, shown_, kRemoveJournal, &journal)) {
            return false;
        }
        journal.Close();
        return ApplyJournal(false, true);
    }

    // Deletes staging, if any.
    void DiscardStaging() { Discard(vc_, shown_, kStaging); }

    // Tells the caller what this run did in this version.
    void Note(const std::string& what) {
        env_.Tell("Orvane: Visual Studio " + Version() + " (" + shown_ + "): " + what);
    }

    // Tells the caller that a step in this version did not have its
    // effect; false, for the step's result.
    bool Fail(const std::string& what) {
        Note(what);
        return false;
    }

  private:
    std::string Version() const { return GetVersionString(installation_.index); }
    std::string Path(const std::string& name) const { return Below(shown_, name); }

    // Orvane's own names in Visual Studio's folder `top`, and there
    // whatever its record names.
    std::vector<std::string> OrvanesNames(int top) const {
        const std::vector<const char*> own = OwnNames(top);
        std::vector<std::string> names(own.begin(), own.end());
        for (const Added& entry : added_) {
            if (top == kWizardsTop && !IsOwnName(top, entry.name)) {
                names.push_back(entry.name);
            }
        }
        return names;
    }

    bool IsRecorded(const std::string& name, Added::Pending pending) const {
        return std::any_of(added_.begin(), added_.end(), [&](const Added& entry) {
            return entry.pending == pending && IsSameNameCaseless(entry.name, name);
        });
    }

    bool LoadRecord() {
        Key key;
        std::string text;
        Status status = env_.OpenKey(kAddedKey, &key);
        if (status.ok()) {
            status = key.Read(Version(), &text);
        }
        if (!status.ok() && !status.IsNotFound()) {
            return Fail(std::string("the record of what installations added here (HKLM\\") +
                        kAddedKey + ") cannot be read: " + status.reason());
        }
        // The text ends at its first zero, as a string value's does.
        added_ = ParseRecord(text.substr(0, text.find('\0')));
        return true;
    }

    // Records `added` as this version's, where it differs from the record.
    bool WriteRecord(const std::vector<Added>& added) {
        const std::string text = RecordText(added);
        if (text == RecordText(added_)) {
            return true;
        }
        const Status status = env_.WriteValue(kAddedKey, Version(), text);
        if (!status.ok()) {
            return Fail(std::string("the record of what installations added here (HKLM\\") +
                        kAddedKey + ") cannot be written: " + status.reason());
        }
        added_ = added;
        return true;
    }

    // The record while this run's switch is pending: every entry staged
    // beside Orvane's own, each recorded one that is not dropping.
    std::vector<Added> Pending() const {
        std::vector<Added> pending;
        for (const std::string& name : staged_) {
            pending.push_back(
                {name, IsRecorded(name, Added::kNone) ? Added::kNone : Added::kAdding});
        }
        for (const Added& entry : added_) {
            if (std::none_of(staged_.begin(), staged_.end(), [&](const std::string& name) {
                    return IsSameNameCaseless(name, entry.name);
                })) {
                pending.push_back({entry.name, Added::kDropping});
            }
        }
        return pending;
    }

    // The record once the journal's moves are all done: an entry added
    // anew counts only where it left the journal (where Visual Studio had
    // something of its own, it stayed there); a dropping one is gone.
    std::vector<Added> Switched() const {
        std::vector<Added> settled;
        const Folder& journal = switched_.journal[kWizardsTop];
        for (const Added& entry : added_) {
            Child left;
            const bool moved =
                entry.pending != Added::kAdding ||
                (journal.IsOpen() && journal.OpenChild(entry.name, Access::kLook, &left).ok() &&
                 left.kind == EntryKind::kMissing);
            if (entry.pending != Added::kDropping && moved) {
                settled.push_back({entry.name, Added::kNone});
            }
        }
        return settled;
    }

    // The record as it was before a switch that never happened, or was
    // put back.
    std::vector<Added> Unswitched() const {
        std::vector<Added> before;
        for (const Added& entry : added_) {
            if (entry.pending != Added::kAdding) {
                before.push_back({entry.name, Added::kNone});
            }
        }
        return before;
    }

    // Opens folder `name` of `parent` as a folder of its own.
    bool OpenOwnFolder(const Folder& parent, const std::string& parentPath, const char* name,
                       Folder* folder) {
        Child child;
        Status status = parent.OpenChild(name, Access::kLook, &child);
        if (status.ok() && child.kind != EntryKind::kFolder) {
            status = Status::Failure(0, "it is not a folder of its own");
        }
        if (!status.ok()) {
            return Fail(Below(parentPath, name) + ": " + status.reason());
        }
        *folder = std::move(child.folder);
        return true;
    }

    // Makes folder `name` of `parent` anew.
    bool MakeFolder(const Folder& parent, const std::string& parentPath, const char* name,
                    Folder* folder) {
        const Status status = parent.NewFolder(name, folder);
        return status.ok() || Fail(Below(parentPath, name) + " cannot be made: " + status.reason());
    }

    // Opens Visual Studio's folder `top` from the VC folder's handle: its
    // own folder, or nothing where it is missing and not to be made. A link
    // or a file in its place keeps the version from being served.
    bool OpenTop(int top, bool make, Folder* folder) {
        Child child;
        const Status status = vc_.OpenChild(kTops[top], Access::kLook, &child);
        if (!status.ok()) {
            return Fail(Path(kTops[top]) + " cannot be opened: " + status.reason());
        }
        switch (child.kind) {
            case EntryKind::kFolder:
                *folder = std::move(child.folder);
                return true;
            case EntryKind::kMissing:
                return !make || MakeFolder(vc_, shown_, kTops[top], folder);
            case EntryKind::kFile:
            case EntryKind::kLink:
                break;
        }
        return Fail(Path(kTops[top]) +
                    " is not a folder of its own (a link, or a file in its place), so nothing is "
                    "written through it");
    }

    bool HoldsOwnEntry(int top, const Folder& place) {
        for (const std::string& name : OrvanesNames(top)) {
            Child entry;
            if (!place.OpenChild(name, Access::kLook, &entry).ok() ||
                entry.kind != EntryKind::kMissing) {
                return true;
            }
        }
        return false;
    }

    // Opens the product's folder `from` as a folder of its own.
    bool OpenSource(const Product& product, const std::string& from, Folder* source) {
        Child child;
        const Status status = OpenBelow(env_, product.trustedRoot, from, Access::kLook, &child);
        if (!status.ok()) {
            return Fail(from + " cannot be opened: " + status.reason());
        }
        if (child.kind != EntryKind::kFolder) {
            return Fail(from + " is not a folder of the product's own");
        }
        *source = std::move(child.folder);
        return true;
    }

    // Copies the product's folder `from` as a new folder `name` of `parent`.
    bool StageFolder(const Product& product, const std::string& from, const Folder& parent,
                     const std::string& parentPath, const std::string& name) {
        Folder source;
        return OpenSource(product, from, &source) &&
               CopyFolderAs(source, from, parent, parentPath, name);
    }

    bool CopyFolderAs(const Folder& source, const std::string& from, const Folder& parent,
                      const std::string& parentPath, const std::string& name) {
        Folder copy;
        if (!MakeFolder(parent, parentPath, name.c_str(), &copy)) {
            return false;
        }
        const Status status = CopyFolderContent(source, from, copy, Below(parentPath, name),
                                                Destination::kNew, *pending_);
        return status.ok() ||
               Fail(Below(parentPath, name) + " did not get everything: " + status.reason());
    }

    // Orvane's own two wizards, and whatever else the product ships for
    // VCWizards that Visual Studio does not have yet: an entry of its own
    // is never replaced.
    bool StageWizards(const Product& product, const Folder& wizards,
                      const std::string& wizardsPath) {
        const std::string from = GetWizardSource(product);
        Folder source;
        Folder theirs;
        std::vector<DirectoryEntry> entries;
        if (!OpenSource(product, from, &source) || !OpenTop(kWizardsTop, false, &theirs)) {
            return false;
        }
        const Status listed = source.List(&entries);
        if (!listed.ok()) {
            return Fail(from + " cannot be listed: " + listed.reason());
        }
        for (const DirectoryEntry& entry : entries) {
            if (const char* why = UnusableName(entry)) {
                return Fail(Below(from, entry.name) + ": " + why);
            }
            Child there;
            const bool own = IsOwnName(kWizardsTop, entry.name);
            if (!own && !IsRecorded(entry.name, Added::kNone) && theirs.IsOpen() &&
                (!theirs.OpenChild(entry.name, Access::kLook, &there).ok() ||
                 there.kind != EntryKind::kMissing)) {
                continue;
            }
            if (!StageWizardEntry(source, from, entry.name, wizards, wizardsPath)) {
                return false;
            }
            if (!own) {
                staged_.push_back(entry.name);
            }
        }
        return true;
    }

    bool StageWizardEntry(const Folder& source, const std::string& from, const std::string& name,
                          const Folder& wizards, const std::string& wizardsPath) {
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
        return status.ok() || Fail(Below(wizardsPath, name) + " cannot be copied from " +
                                   Below(from, name) + ": " + status.reason());
    }

    // Where staged wizard `wizard` keeps its scripts.
    static std::string ScriptsPath(const std::string& wizardsPath, const char* wizard) {
        return Below(Below(Below(wizardsPath, wizard), kScriptFolders[0]), kScriptFolders[1]);
    }

    // Opens staged wizard `wizard`'s scripts folder, and its newer script.
    bool OpenNewerScript(const Folder& wizards, const std::string& wizardsPath, const char* wizard,
                         Folder* scripts, Child* script) {
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
                return Fail(path + ": " + status.reason());
            }
            held = std::move(child.folder);
            parent = &held;
        }
        *scripts = std::move(held);
        Status status = scripts->OpenChild(kNewerScript, Access::kRemove, script);
        if (status.ok() && script->kind != EntryKind::kFile) {
            status = Status::Failure(0, "it is not a file of its own");
        }
        return status.ok() || Fail(Below(path, kNewerScript) + ": " + status.reason());
    }

    // Visual Studio 8.0 to 10.0 run each wizard's newer script, shipped as
    // default05.js, as their default.js.
    bool UseNewerScripts(const Folder& wizards, const std::string& wizardsPath) {
        for (const char* wizard : kWizardFolders) {
            Folder scripts;
            Child script;
            if (!OpenNewerScript(wizards, wizardsPath, wizard, &scripts, &script)) {
                return false;
            }
            const Status status = script.file.MoveTo(scripts, kOlderScript, true);
            if (!status.ok()) {
                return Fail(Below(ScriptsPath(wizardsPath, wizard), kNewerScript) +
                            " cannot become default.js: " + status.reason());
            }
        }
        return true;
    }

    // Visual Studio 7.x runs the default.js shipped; TessaloomsWiz's newer
    // script, which it would list, goes.
    bool KeepOlderScripts(const Folder& wizards, const std::string& wizardsPath) {
        Folder scripts;
        Child script;
        if (!OpenNewerScript(wizards, wizardsPath, kWizardFolders[0], &scripts, &script)) {
            return false;
        }
        const Status status = script.file.Delete();
        return status.ok() ||
               Fail(Below(ScriptsPath(wizardsPath, kWizardFolders[0]), kNewerScript) +
                    " cannot be deleted: " + status.reason());
    }

    // Finishes the journal `install` names: every staged entry moved into
    // its place (Orvane's own replacing what is there, others only where
    // Visual Studio has nothing), or every entry of Orvane's moved aside;
    // then the journal and the old content are discarded. A live switch
    // that fails is undone, so the version keeps what it had; a journal
    // found by a later run is untrusted, and only what is itself is moved.
    bool ApplyJournal(bool install, bool live) {
        if (!MoveJournal(install, live) ||
            !WriteRecord(install ? Switched() : std::vector<Added>())) {
            return false;
        }
        switched_.CloseAll();
        return RetireJournal(install ? kInstallJournal : kRemoveJournal);
    }

    // Moves every entry the journal `install` names, keeping what moved
    // and the folders it moved between. A live switch that fails is put
    // back and its journal retired; false then, and whenever it fails.
    bool MoveJournal(bool install, bool live) {
        const char* name = install ? kInstallJournal : kRemoveJournal;
        moves_.clear();
        bool whole = true;
        {
            Child journal;
            Status status = vc_.OpenChild(name, Access::kLook, &journal);
            if (status.ok() && journal.kind != EntryKind::kFolder) {
                status = Status::Failure(0, "it is not a folder of its own");
            }
            if (!status.ok()) {
                return Fail(Path(name) + " cannot be opened as itself: " + status.reason());
            }
            for (int top = 0; top < kTopCount && whole; ++top) {
                whole = install ? MoveAllIn(journal.folder, top, live, &switched_, &moves_)
                                : MoveAllAside(top, &switched_, &moves_);
            }
        }
        if (!whole && live && Undo(moves_, &switched_)) {
            switched_.CloseAll();
            if (RetireJournal(name)) {
                WriteRecord(Unswitched());
            }
        }
        return whole;
    }

    bool MoveAllIn(const Folder& journal, int top, bool live, SwitchFolders* folders,
                   std::vector<Move>* moves) {
        const std::string stagedPath = Below(Path(kInstallJournal), kTops[top]);
        Child staged;
        Status status = journal.OpenChild(kTops[top], Access::kLook, &staged);
        if (status.ok() && staged.kind == EntryKind::kMissing) {
            return true;
        }
        if (status.ok() && staged.kind != EntryKind::kFolder) {
            return live ? Fail(stagedPath + " is not a folder of its own") : true;
        }
        if (!status.ok()) {
            return Fail(stagedPath + " cannot be opened: " + status.reason());
        }
        folders->journal[top] = std::move(staged.folder);
        if (!OpenTop(top, true, &folders->places[top])) {
            return false;
        }
        std::vector<DirectoryEntry> entries;
        status = folders->journal[top].List(&entries);
        if (!status.ok()) {
            return Fail(stagedPath + " cannot be listed: " + status.reason());
        }
        for (const DirectoryEntry& entry : entries) {
            if (UnusableName(entry) == nullptr && !MoveIn(top, entry.name, live, folders, moves)) {
                return false;
            }
        }
        // What the product no longer ships goes with the switch.
        for (const Added& entry : added_) {
            if (top == kWizardsTop && entry.pending == Added::kDropping &&
                !MoveAside(top, entry.name, folders, moves)) {
                return false;
            }
        }
        return true;
    }

    bool MoveIn(int top, const std::string& name, bool live, SwitchFolders* folders,
                std::vector<Move>* moves) {
        const std::string stagedPath = Below(Below(Path(kInstallJournal), kTops[top]), name);
        Child staged;
        const Status opened = folders->journal[top].OpenChild(name, Access::kRemove, &staged);
        if (!opened.ok() ||
            (staged.kind != EntryKind::kFolder && staged.kind != EntryKind::kFile)) {
            // Nothing Orvane staged: left to be discarded with the journal.
            return live ? Fail(stagedPath + " is not itself: " +
                               (opened.ok() ? std::string(kNotItself) : opened.reason()))
                        : true;
        }
        if (!live && staged.kind == EntryKind::kFolder &&
            !CheckHoldsOnlyItself(staged.folder, stagedPath).ok()) {
            return true;
        }
        const Folder& place = folders->places[top];
        const std::string placePath = Below(Path(kTops[top]), name);
        const bool replaced =
            IsOwnName(top, name) || (top == kWizardsTop && IsRecorded(name, Added::kNone));
        const bool adding = top == kWizardsTop && IsRecorded(name, Added::kAdding);
        if (!replaced) {
            if (!live && !adding) {
                // A journal found on disk is untrusted: only Orvane's own
                // entries, and those the record names, ever move from it
                // into Visual Studio's folders.
                Note("discarded " + stagedPath +
                     ": it is not one of Orvane's own entries, so it was not moved into Visual "
                     "Studio's folders.");
                return true;
            }
            // Added only where Visual Studio has nothing of its own (or
            // something that cannot even be looked at).
            Child there;
            Status status = place.OpenChild(name, Access::kLook, &there);
            if (!status.ok() || there.kind != EntryKind::kMissing) {
                return true;
            }
            status = staged.entry().MoveTo(place, name, false);
            if (!status.ok()) {
                return Fail(placePath + " cannot be added: " + status.reason());
            }
            moves->push_back({top, name, false});
            return true;
        }
        if (!MoveAside(top, name, folders, moves)) {
            return false;
        }
        const Status status = staged.entry().MoveTo(place, name, false);
        if (!status.ok()) {
            return Fail(placePath + " cannot take the new content: " + status.reason());
        }
        moves->push_back({top, name, false});
        return true;
    }

    bool MoveAllAside(int top, SwitchFolders* folders, std::vector<Move>* moves) {
        if (!OpenTop(top, false, &folders->places[top])) {
            return false;
        }
        if (!folders->places[top].IsOpen()) {
            return true;
        }
        for (const std::string& name : OrvanesNames(top)) {
            if (!MoveAside(top, name, folders, moves)) {
                return false;
            }
        }
        return true;
    }

    // Moves whatever is at Orvane's own name `name` of Visual Studio's
    // folder `top` into the old content: a folder, a file, or a link itself.
    bool MoveAside(int top, const std::string& name, SwitchFolders* folders,
                   std::vector<Move>* moves) {
        const std::string placePath = Below(Path(kTops[top]), name);
        Child current;
        Status status = folders->places[top].OpenChild(name, Access::kRemove, &current);
        if (status.ok() && current.kind == EntryKind::kMissing) {
            return true;
        }
        if (status.ok() && !current.entry().IsOpen()) {
            status = Status::Failure(0, "a link that cannot be opened itself");
        }
        if (!status.ok()) {
            return Fail(placePath + " cannot be moved aside as itself: " + status.reason());
        }
        Folder& aside = folders->asides[top];
        const std::string asidePath = Below(Path(kAside), kTops[top]);
        if (!aside.IsOpen()) {
            Folder old;
            if (!OpenOrMake(vc_, shown_, kAside, &old) ||
                !OpenOrMake(old, Path(kAside), kTops[top], &aside)) {
                return false;
            }
        }
        // Whatever an earlier run left there is old content too.
        if (!Discard(aside, asidePath, name)) {
            return false;
        }
        status = current.entry().MoveTo(aside, name, false);
        if (!status.ok()) {
            return Fail(placePath + " cannot be moved aside: " + status.reason());
        }
        moves->push_back({top, name, true});
        return true;
    }

    // Deletes entry `name` of `parent` whole. What of it cannot be deleted
    // is moved into the leftovers, where Visual Studio does not look and
    // every later run tries again, and is told; false only when it can be
    // neither deleted nor moved there, and so stays where it is.
    bool Discard(const Folder& parent, const std::string& parentPath, const std::string& name) {
        const Status deleted = DeleteEntry(parent, parentPath, name);
        if (deleted.ok()) {
            return true;
        }
        const Status moved = MoveToLeftovers(parent, name);
        if (!moved.ok()) {
            return Fail(Below(parentPath, name) + " could not be deleted (" + deleted.reason() +
                        ") nor moved into " + Path(kLeftovers) + ": " + moved.reason());
        }
        Note(Below(parentPath, name) + " could not be deleted whole (" + deleted.reason() +
             "); what stays of it waits in " + Path(kLeftovers) +
             ", where Visual Studio does not look, for a later run to delete.");
        return true;
    }

    // Moves entry `name` of `parent` into the leftovers, under the first
    // number free there.
    Status MoveToLeftovers(const Folder& parent, const std::string& name) {
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

    // Every entry of the VC folder at a name of Orvane's that is not one of
    // the journal's (planted, or left by another Orvane) is discarded; then
    // every leftover that can be deleted now goes, and one line tells what
    // still cannot.
    bool SweepOrvaneNames() {
        std::vector<DirectoryEntry> entries;
        Status status = vc_.List(&entries);
        if (!status.ok()) {
            return Fail(shown_ + " cannot be listed: " + status.reason());
        }
        for (const DirectoryEntry& entry : entries) {
            const std::string prefix = entry.name.substr(0, std::strlen(kOwnPrefix));
            if (UnusableName(entry) == nullptr && IsSameNameCaseless(prefix, kOwnPrefix) &&
                !IsJournalName(entry.name) && !Discard(vc_, shown_, entry.name)) {
                return false;
            }
        }
        Folder leftovers;
        Child found;
        status = vc_.OpenChild(kLeftovers, Access::kLook, &found);
        if (status.ok() && found.kind == EntryKind::kMissing) {
            return true;
        }
        if (status.ok() && found.kind != EntryKind::kFolder) {
            return Discard(vc_, shown_, kLeftovers);
        }
        if (status.ok()) {
            status = found.folder.List(&entries);
        }
        if (!status.ok()) {
            return Fail(Path(kLeftovers) + " cannot be looked at: " + status.reason());
        }
        int staying = 0;
        Status first;
        for (const DirectoryEntry& entry : entries) {
            const Status deleted = UnusableName(entry) == nullptr
                                       ? DeleteEntry(found.folder, Path(kLeftovers), entry.name)
                                       : Status::Failure(0, UnusableName(entry));
            if (!deleted.ok()) {
                first = first.ok() ? deleted : first;
                ++staying;
            }
        }
        if (staying > 0) {
            Note(std::to_string(staying) + " of what earlier runs set aside in " +
                 Path(kLeftovers) + " still cannot be deleted (" + first.reason() +
                 "); it waits there, where Visual Studio does not look.");
        } else {
            found = Child();
            // An empty folder that stays is harmless.
            DeleteEntry(vc_, shown_, kLeftovers).Ignore();
        }
        return true;
    }

    bool OpenOrMake(const Folder& parent, const std::string& parentPath, const char* name,
                    Folder* folder) {
        const Status status = OpenOrMakeFolder(parent, name, folder);
        return status.ok() || Fail(Below(parentPath, name) +
                                   " cannot be made as a folder of its own: " + status.reason());
    }

    // Moves every entry back where it was, the last moved first.
    bool Undo(const std::vector<Move>& moves, SwitchFolders* folders) {
        bool undone = true;
        for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
            const Folder& from =
                move->aside ? folders->asides[move->top] : folders->places[move->top];
            const Folder& to =
                move->aside ? folders->places[move->top] : folders->journal[move->top];
            Child entry;
            Status status = from.OpenChild(move->name, Access::kRemove, &entry);
            if (status.ok()) {
                status = entry.entry().MoveTo(to, move->name, false);
            }
            if (!status.ok()) {
                undone = Fail(Below(Path(kTops[move->top]), move->name) +
                              " cannot be put back as it was: " + status.reason());
            }
        }
        return undone;
    }

    // The journal becomes staging, only ever discarded, and goes with the
    // old content: a run killed meanwhile finds nothing left to finish.
    bool RetireJournal(const char* name) {
        const Status status = RenameJournal(name, kStaging);
        if (!status.ok()) {
            return Fail(Path(name) + " cannot be retired: " + status.reason());
        }
        return Discard(vc_, shown_, kStaging) && Discard(vc_, shown_, kAside);
    }

    // Renames the journal's folder `from` in the VC folder to `to`, which
    // must be free; nothing stays open.
    Status RenameJournal(const char* from, const char* to) {
        Child journal;
        const Status status = vc_.OpenChild(from, Access::kRemove, &journal);
        if (status.ok() && journal.kind != EntryKind::kFolder) {
            return Status::Failure(0, "it is not a folder of its own");
        }
        return status.ok() ? journal.folder.MoveTo(vc_, to, false) : status;
    }

    Env& env_;
    const Installation& installation_;
    // The VC folder as a person reads it, for what is told.
    const std::string shown_;
    Folder vc_;
    // Where staging holds the files it wrote.
    PendingWrites* pending_ = nullptr;
    // What the last switch moved, and between which folders.
    SwitchFolders switched_;
    std::vector<Move> moves_;
    // What the record says installations added here, and what this run
    // staged beside Orvane's own.
    std::vector<Added> added_;
    std::vector<std::string> staged_;
};

}  // namespace

std::vector<Installation> FindInstallations(Env& env, std::vector<VersionIndex>* inexact) {
    std::vector<Installation> found;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        bool unreadable = false;
        const std::string root = GetVisualStudioRoot(env, index, &unreadable);
        if (root.empty()) {
            if (unreadable && inexact != nullptr) {
                inexact->push_back(index);
            }
            continue;
        }
        // A VC folder that is there but cannot be opened is still an
        // installation, one this run will say it could not serve.
        Installation installation{index, GetVcDir(index, root), {}, {}};
        if (!IsExistingDirectory(env, installation.vcDir)) {
            continue;
        }
        // Versions registered at one folder (decided on its handle) are one
        // installation, served once, as the highest of them.
        Folder vc;
        if (env.OpenFolder(installation.vcDir, false, &vc).ok() &&
            vc.Identity(&installation.identity).ok()) {
            const auto same = std::find_if(found.begin(), found.end(), [&](const Installation& at) {
                return !at.identity.empty() && at.identity == installation.identity;
            });
            if (same != found.end()) {
                installation.sharing = same->sharing;
                installation.sharing.push_back(same->index);
                *same = installation;
                continue;
            }
        }
        found.push_back(installation);
    }
    return found;
}

bool RecoverVersion(Env& env, const Installation& installation) {
    Site site(env, installation);
    return site.Open() && site.Recover();
}

bool InstallAllVersions(Env& env, const Product& product,
                        const std::vector<Installation>& installations) {
    std::deque<Site> sites;
    PendingWrites pending(env);
    bool staged = true;
    for (const Installation& installation : installations) {
        sites.emplace_back(env, installation);
        if (!sites.back().Open()) {
            sites.pop_back();
            staged = false;
            break;
        }
        if (!sites.back().Stage(product, pending)) {
            staged = false;
            break;
        }
    }
    // Every staged byte reaches the disk in one pass after the last write,
    // before anything is switched in: a power cut after a switch then
    // leaves no renamed-in file empty.
    if (staged) {
        const Status durable = pending.MakeDurable();
        if (!durable.ok()) {
            env.Tell("Orvane: the new templates could not be made durable: " + durable.reason());
            staged = false;
        }
    } else {
        pending.Drop();
    }
    for (Site& site : sites) {
        staged = staged && site.ArrangeScripts();
    }
    if (!staged) {
        for (Site& site : sites) {
            site.DiscardStaging();
        }
        env.Tell(
            "Orvane: the new templates could not be made ready for every Visual Studio, so none "
            "was changed.");
        return false;
    }
    // Every version is switched before any version's old content goes: a
    // switch that fails in one puts back those switched before it, so that
    // a failed installation leaves every Visual Studio as it was.
    std::size_t switched = 0;
    while (switched < sites.size() && sites[switched].Switch()) {
        ++switched;
    }
    if (switched < sites.size()) {
        for (std::size_t i = 0; i < sites.size(); ++i) {
            if (i < switched) {
                sites[i].PutBack();
            } else if (i > switched) {
                sites[i].DiscardStaging();
            }
        }
        env.Tell(
            "Orvane: a Visual Studio could not be switched over to the new templates, so every "
            "one keeps what it had.");
        return false;
    }
    bool settled = true;
    for (Site& site : sites) {
        settled &= site.Settle();
    }
    return settled;
}

bool RemoveAllVersions(Env& env, const std::vector<Installation>& installations) {
    bool complete = true;
    for (const Installation& installation : installations) {
        Site site(env, installation);
        complete &= site.Open() && site.Remove();
    }
    return complete;
}

}  // namespace orvane

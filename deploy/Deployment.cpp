#include "deploy/Deployment.h"

#include <deque>
#include <initializer_list>
#include <string>

#include "deploy/FileSystem.h"

namespace orvane {
namespace {

// Visual Studio's three folders that hold Orvane's entries, by index.
const char* const kTops[] = {"vcprojects", "vcprojectitems", "VCWizards"};
constexpr int kTopCount = 3;
constexpr int kProjectsTop = 0;
constexpr int kItemsTop = 1;
constexpr int kWizardsTop = 2;
const char* const kTemplateFolder = "TessaloomsMFC";
const char* const kWizardFolders[] = {"TessaloomsWiz", "TessaloomsTemplateWiz"};

// The journal's names in the VC folder. Staging and old content are only
// ever discarded; a journal of a switch or a removal is only ever finished.
const char* const kStaging = "Orvane.staging";
const char* const kInstallJournal = "Orvane.install";
const char* const kRemoveJournal = "Orvane.remove";
const char* const kAside = "Orvane.old";

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
    explicit SwitchFolders(Env& env) {
        for (int top = 0; top < kTopCount; ++top) {
            places.emplace_back(env);
            journal.emplace_back(env);
            asides.emplace_back(env);
        }
    }
    // A folder that is renamed must have nothing below it open.
    void CloseAll() {
        for (auto* folders : {&places, &journal, &asides}) {
            for (FileCloser& folder : *folders) {
                folder.Close();
            }
        }
    }
    std::deque<FileCloser> places, journal, asides;
};

// One installation's VC folder, opened by the path the registry gives, and
// every step in it.
class Site {
  public:
    Site(Env& env, const Installation& installation)
        : env_(env), installation_(installation), shown_(TidyPath(installation.vcDir)), vc_(env) {}

    bool Open() {
        return env_.OpenFolder(installation_.vcDir, false, vc_.put()) ||
               Fail(shown_ + " cannot be opened: " + env_.LastFailure());
    }

    // Finishes what a run left half-done, and discards what it left aside.
    // False when the version cannot be served. What was set aside and
    // cannot be deleted (a link Wine will not remove itself, a file held
    // open) is told, and stays where Visual Studio does not look.
    bool Recover() {
        // Visual Studio's three folders are its own, or missing.
        for (int top = 0; top < kTopCount; ++top) {
            FileCloser folder(env_);
            if (!OpenTop(top, false, &folder)) {
                return false;
            }
        }
        // Staging that cannot be deleted would keep every later installation
        // from staging anew: it is moved out of the way, where it stays.
        if (!DiscardIfPresent(kStaging) && !MoveOutOfTheWay(vc_.get(), shown_, kStaging)) {
            return false;
        }
        for (const bool install : {true, false}) {
            const char* journal = install ? kInstallJournal : kRemoveJournal;
            FileCloser found(env_);
            const EntryKind kind = env_.OpenChild(vc_.get(), journal, Access::kLook, found.put());
            found.Close();
            if (kind == EntryKind::kFolder) {
                env_.Tell("Orvane: Visual Studio " + Version() + " (" + shown_ +
                          "): finishing the " + (install ? "installation" : "removal") +
                          " an earlier run left unfinished.");
                if (!ApplyJournal(install, false)) {
                    return false;
                }
            } else if (kind != EntryKind::kMissing) {
                // Not a journal Orvane wrote: nothing to finish.
                DiscardIfPresent(journal);
            }
        }
        DiscardIfPresent(kAside);
        return true;
    }

    // Copies all of this version's new content into staging, flushed.
    bool Stage(const Product& product) {
        FileCloser staging(env_);
        if (!env_.CreateChild(vc_.get(), kStaging, true, staging.put())) {
            return Fail(Path(kStaging) + " cannot be made: " + env_.LastFailure());
        }
        const std::string at = Path(kStaging);
        std::deque<FileCloser> tops;
        for (int top = 0; top < kTopCount; ++top) {
            tops.emplace_back(env_);
            if (!env_.CreateChild(staging.get(), kTops[top], true, tops.back().put())) {
                return Fail(Below(at, kTops[top]) + " cannot be made: " + env_.LastFailure());
            }
        }
        const std::string version = Version();
        return StageFolder(product, GetTemplateSource(product, version, "TessaloomProjectMFC"),
                           tops[kProjectsTop].get(), Below(at, kTops[kProjectsTop]),
                           kTemplateFolder) &&
               StageFolder(product, GetTemplateSource(product, version, kTemplateFolder),
                           tops[kItemsTop].get(), Below(at, kTops[kItemsTop]), kTemplateFolder) &&
               StageWizards(product, tops[kWizardsTop].get(), Below(at, kTops[kWizardsTop]));
    }

    // Puts the staged content in place: from here on the version is to get
    // all of it, and a run that is killed is finished by the next one.
    bool Switch() {
        FileCloser staging(env_);
        if (env_.OpenChild(vc_.get(), kStaging, Access::kRemove, staging.put()) !=
                EntryKind::kFolder ||
            !env_.RenameOpened(staging.get(), vc_.get(), kInstallJournal, false)) {
            const std::string why = env_.LastFailure();
            staging.Close();
            DiscardIfPresent(kStaging);
            return Fail(Path(kStaging) + " cannot become " + kInstallJournal + ": " + why);
        }
        staging.Close();
        return ApplyJournal(true, true);
    }

    // Moves Orvane's own entries aside and deletes them.
    bool Remove() {
        bool present = false;
        for (int top = 0; top < kTopCount && !present; ++top) {
            FileCloser place(env_);
            if (!OpenTop(top, false, &place)) {
                return false;
            }
            present = place.get() != kNoHandle && HoldsOwnEntry(top, place.get());
        }
        if (!present) {
            return true;
        }
        FileCloser journal(env_);
        if (!env_.CreateChild(vc_.get(), kRemoveJournal, true, journal.put())) {
            return Fail(Path(kRemoveJournal) + " cannot be made: " + env_.LastFailure());
        }
        journal.Close();
        return ApplyJournal(false, true);
    }

    bool DiscardIfPresent(const char* name) {
        std::string failure;
        return DeleteEntry(env_, vc_.get(), shown_, name, &failure) ||
               Fail(Path(name) + " not removed whole: " + failure);
    }

    // Tells the caller that a step in this version did not have its
    // effect; false, for the step's result.
    bool Fail(const std::string& what) {
        env_.Tell("Orvane: Visual Studio " + Version() + " (" + shown_ + "): " + what);
        return false;
    }

  private:
    std::string Version() const { return GetVersionString(installation_.index); }
    std::string Path(const std::string& name) const { return Below(shown_, name); }

    // Opens Visual Studio's folder `top` from the VC folder's handle: its
    // own folder, or nothing where it is missing and not to be made. A link
    // or a file in its place keeps the version from being served.
    bool OpenTop(int top, bool make, FileCloser* folder) {
        switch (env_.OpenChild(vc_.get(), kTops[top], Access::kLook, folder->put())) {
            case EntryKind::kFolder:
                return true;
            case EntryKind::kMissing:
                return !make || env_.CreateChild(vc_.get(), kTops[top], true, folder->put()) ||
                       Fail(Path(kTops[top]) + " cannot be made: " + env_.LastFailure());
            case EntryKind::kFile:
            case EntryKind::kLink:
                break;
        }
        return Fail(Path(kTops[top]) +
                    " is not a folder of its own (a link, or a file in its place), so nothing is "
                    "written through it");
    }

    bool HoldsOwnEntry(int top, Handle place) {
        for (const char* name : OwnNames(top)) {
            FileCloser entry(env_);
            if (env_.OpenChild(place, name, Access::kLook, entry.put()) != EntryKind::kMissing) {
                return true;
            }
        }
        return false;
    }

    // Copies the product's folder `from` as a new folder `name` of `parent`.
    bool StageFolder(const Product& product, const std::string& from, Handle parent,
                     const std::string& parentPath, const std::string& name) {
        FileCloser source(env_);
        if (OpenBelow(env_, product.trustedRoot, from, Access::kLook, source.put()) !=
            EntryKind::kFolder) {
            return Fail(from + " is not a folder of the product's own");
        }
        return CopyFolderAs(source.get(), from, parent, parentPath, name);
    }

    bool CopyFolderAs(Handle source, const std::string& from, Handle parent,
                      const std::string& parentPath, const std::string& name) {
        FileCloser copy(env_);
        if (!env_.CreateChild(parent, name, true, copy.put())) {
            return Fail(Below(parentPath, name) + " cannot be made: " + env_.LastFailure());
        }
        std::string failure;
        return CopyFolderContent(env_, source, from, copy.get(), Below(parentPath, name),
                                 &failure) ||
               Fail(Below(parentPath, name) + " did not get everything: " + failure);
    }

    // Orvane's own two wizards, and whatever else the product ships for
    // VCWizards that Visual Studio does not have yet: an entry of its own
    // is never replaced.
    bool StageWizards(const Product& product, Handle wizards, const std::string& wizardsPath) {
        const std::string from = GetWizardSource(product);
        FileCloser source(env_);
        std::vector<DirectoryEntry> entries;
        if (OpenBelow(env_, product.trustedRoot, from, Access::kLook, source.put()) !=
                EntryKind::kFolder ||
            !env_.ListFolder(source.get(), &entries)) {
            return Fail(
                from + " cannot be listed as a folder of the product's own: " + env_.LastFailure());
        }
        FileCloser theirs(env_);
        if (!OpenTop(kWizardsTop, false, &theirs)) {
            return false;
        }
        for (const DirectoryEntry& entry : entries) {
            if (const char* why = UnusableName(entry)) {
                return Fail(Below(from, entry.name) + ": " + why);
            }
            FileCloser there(env_);
            if (!IsOwnName(kWizardsTop, entry.name) && theirs.get() != kNoHandle &&
                env_.OpenChild(theirs.get(), entry.name, Access::kLook, there.put()) !=
                    EntryKind::kMissing) {
                continue;
            }
            FileCloser child(env_);
            const EntryKind kind =
                env_.OpenChild(source.get(), entry.name, Access::kLook, child.put());
            if (kind == EntryKind::kFolder) {
                if (!CopyFolderAs(child.get(), Below(from, entry.name), wizards, wizardsPath,
                                  entry.name)) {
                    return false;
                }
            } else if (kind != EntryKind::kFile ||
                       !CopyChild(env_, source.get(), entry.name, wizards, entry.name)) {
                return Fail(Below(wizardsPath, entry.name) + " cannot be copied from " +
                            Below(from, entry.name) + ": " + env_.LastFailure());
            }
        }
        return SelectWizardScripts(wizards, wizardsPath);
    }

    // The shipped wizards carry default.js for 7.x and default05.js for
    // later versions; each version keeps the one it runs as default.js. For
    // 7.x only TessaloomsWiz loses its newer script.
    bool SelectWizardScripts(Handle wizards, const std::string& wizardsPath) {
        const bool newer = UsesNewerLayout(installation_.index);
        for (const char* wizard : kWizardFolders) {
            if (!newer && wizard != kWizardFolders[0]) {
                break;
            }
            const std::string path = Below(Below(Below(wizardsPath, wizard), "scripts"), "1033");
            FileCloser scripts(env_);
            Handle parent = wizards;
            for (const char* name : {wizard, "scripts", "1033"}) {
                FileCloser child(env_);
                if (env_.OpenChild(parent, name, Access::kLook, child.put()) !=
                    EntryKind::kFolder) {
                    return Fail(path + " is not a folder of its own");
                }
                scripts.reset(child.release());
                parent = scripts.get();
            }
            FileCloser script(env_);
            if (env_.OpenChild(scripts.get(), "default05.js", Access::kRemove, script.put()) !=
                    EntryKind::kFile ||
                !(newer ? env_.RenameOpened(script.get(), scripts.get(), "default.js", true)
                        : env_.DeleteOpened(script.get()))) {
                return Fail(Below(path, "default05.js") +
                            (newer ? " cannot become default.js: " : " cannot be deleted: ") +
                            env_.LastFailure());
            }
        }
        return true;
    }

    // Finishes the journal `install` names: every staged entry moved into
    // its place (Orvane's own replacing what is there, others only where
    // Visual Studio has nothing), or every entry of Orvane's moved aside;
    // then the journal and the old content are discarded. A live switch
    // that fails is undone, so the version keeps what it had; a journal
    // found by a later run is untrusted, and only what is itself is moved.
    bool ApplyJournal(bool install, bool live) {
        const char* name = install ? kInstallJournal : kRemoveJournal;
        SwitchFolders folders(env_);
        std::vector<Move> moves;
        bool whole = true;
        {
            FileCloser journal(env_);
            if (env_.OpenChild(vc_.get(), name, Access::kLook, journal.put()) !=
                EntryKind::kFolder) {
                return Fail(Path(name) + " cannot be opened as itself: " + env_.LastFailure());
            }
            for (int top = 0; top < kTopCount && whole; ++top) {
                whole = install ? MoveAllIn(journal.get(), top, live, &folders, &moves)
                                : MoveAllAside(top, &folders, &moves);
            }
        }
        if (!whole && (!live || !Undo(moves, &folders))) {
            // Left for the next run to finish.
            return false;
        }
        // The old content this switch set aside goes; what an earlier run
        // left there and cannot be deleted is only told.
        bool deleted = true;
        for (const Move& move : moves) {
            std::string failure;
            if (move.aside && whole &&
                !DeleteEntry(env_, folders.asides[move.top].get(),
                             Below(Path(kAside), kTops[move.top]), move.name, &failure)) {
                deleted = Fail(Below(Below(Path(kAside), kTops[move.top]), move.name) +
                               " not removed whole: " + failure);
            }
        }
        folders.CloseAll();
        return RetireJournal(name) && whole && deleted;
    }

    bool MoveAllIn(Handle journal, int top, bool live, SwitchFolders* folders,
                   std::vector<Move>* moves) {
        FileCloser& staged = folders->journal[top];
        std::vector<DirectoryEntry> entries;
        const std::string stagedPath = Below(Path(kInstallJournal), kTops[top]);
        switch (env_.OpenChild(journal, kTops[top], Access::kLook, staged.put())) {
            case EntryKind::kMissing:
                return true;
            case EntryKind::kFolder:
                break;
            case EntryKind::kFile:
            case EntryKind::kLink:
                return live ? Fail(stagedPath + " is not a folder of its own") : true;
        }
        if (!OpenTop(top, true, &folders->places[top])) {
            return false;
        }
        if (!env_.ListFolder(staged.get(), &entries)) {
            return Fail(stagedPath + " cannot be listed: " + env_.LastFailure());
        }
        for (const DirectoryEntry& entry : entries) {
            if (UnusableName(entry) == nullptr && !MoveIn(top, entry.name, live, folders, moves)) {
                return false;
            }
        }
        return true;
    }

    bool MoveIn(int top, const std::string& name, bool live, SwitchFolders* folders,
                std::vector<Move>* moves) {
        const std::string stagedPath = Below(Below(Path(kInstallJournal), kTops[top]), name);
        FileCloser entry(env_);
        const EntryKind kind =
            env_.OpenChild(folders->journal[top].get(), name, Access::kRemove, entry.put());
        if (kind != EntryKind::kFolder && kind != EntryKind::kFile) {
            // Nothing Orvane staged: left to be discarded with the journal.
            return live ? Fail(stagedPath + " is not itself") : true;
        }
        if (!live && kind == EntryKind::kFolder &&
            !HoldsOnlyItself(env_, entry.get(), stagedPath)) {
            return true;
        }
        Handle place = folders->places[top].get();
        const std::string placePath = Below(Path(kTops[top]), name);
        if (!IsOwnName(top, name)) {
            FileCloser there(env_);
            if (env_.OpenChild(place, name, Access::kLook, there.put()) == EntryKind::kMissing &&
                env_.RenameOpened(entry.get(), place, name, false)) {
                moves->push_back({top, name, false});
            }
            return true;
        }
        if (!MoveAside(top, name, folders, moves)) {
            return false;
        }
        if (!env_.RenameOpened(entry.get(), place, name, false)) {
            return Fail(placePath + " cannot take the new content: " + env_.LastFailure());
        }
        moves->push_back({top, name, false});
        return true;
    }

    bool MoveAllAside(int top, SwitchFolders* folders, std::vector<Move>* moves) {
        if (!OpenTop(top, false, &folders->places[top])) {
            return false;
        }
        if (folders->places[top].get() == kNoHandle) {
            return true;
        }
        for (const char* name : OwnNames(top)) {
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
        FileCloser current(env_);
        if (env_.OpenChild(folders->places[top].get(), name, Access::kRemove, current.put()) ==
            EntryKind::kMissing) {
            return true;
        }
        if (current.get() == kNoHandle) {
            return Fail(placePath + " cannot be moved aside as itself: " + env_.LastFailure());
        }
        FileCloser& aside = folders->asides[top];
        const std::string asidePath = Below(Path(kAside), kTops[top]);
        if (aside.get() == kNoHandle) {
            FileCloser old(env_);
            if (!OpenOrMake(vc_.get(), shown_, kAside, &old) ||
                !OpenOrMake(old.get(), Path(kAside), kTops[top], &aside)) {
                return false;
            }
        }
        // Whatever an earlier run left there is old content too; what of it
        // cannot be deleted is moved out of the way, and stays old content.
        if (!DeleteEntry(env_, aside.get(), asidePath, name) &&
            !MoveOutOfTheWay(aside.get(), asidePath, name)) {
            return false;
        }
        if (!env_.RenameOpened(current.get(), aside.get(), name, false)) {
            return Fail(placePath + " cannot be moved aside: " + env_.LastFailure());
        }
        moves->push_back({top, name, true});
        return true;
    }

    bool MoveOutOfTheWay(Handle folder, const std::string& path, const std::string& name) {
        constexpr int kTries = 100;
        FileCloser stuck(env_);
        env_.OpenChild(folder, name, Access::kRemove, stuck.put());
        for (int n = 1; n <= kTries && stuck.get() != kNoHandle; ++n) {
            if (env_.RenameOpened(stuck.get(), folder, name + "." + std::to_string(n), false)) {
                return true;
            }
        }
        return Fail(Below(path, name) +
                    " cannot be deleted or moved out of the way: " + env_.LastFailure());
    }

    bool OpenOrMake(Handle parent, const std::string& parentPath, const char* name,
                    FileCloser* folder) {
        switch (env_.OpenChild(parent, name, Access::kLook, folder->put())) {
            case EntryKind::kFolder:
                return true;
            case EntryKind::kMissing:
                if (env_.CreateChild(parent, name, true, folder->put())) {
                    return true;
                }
                break;
            case EntryKind::kFile:
            case EntryKind::kLink:
                break;
        }
        return Fail(Below(parentPath, name) +
                    " cannot be made as a folder of its own: " + env_.LastFailure());
    }

    // Moves every entry back where it was, the last moved first.
    bool Undo(const std::vector<Move>& moves, SwitchFolders* folders) {
        bool undone = true;
        for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
            const Handle from =
                move->aside ? folders->asides[move->top].get() : folders->places[move->top].get();
            const Handle to =
                move->aside ? folders->places[move->top].get() : folders->journal[move->top].get();
            FileCloser entry(env_);
            if (env_.OpenChild(from, move->name, Access::kRemove, entry.put()) ==
                    EntryKind::kMissing ||
                entry.get() == kNoHandle ||
                !env_.RenameOpened(entry.get(), to, move->name, false)) {
                undone = Fail(Below(Path(kTops[move->top]), move->name) +
                              " cannot be put back as it was: " + env_.LastFailure());
            }
        }
        return undone;
    }

    // The journal becomes staging, only ever discarded, and goes with the
    // old content: a run killed meanwhile finds nothing left to finish.
    bool RetireJournal(const char* name) {
        FileCloser journal(env_);
        if (env_.OpenChild(vc_.get(), name, Access::kRemove, journal.put()) != EntryKind::kFolder ||
            !env_.RenameOpened(journal.get(), vc_.get(), kStaging, false)) {
            return Fail(Path(name) + " cannot be retired: " + env_.LastFailure());
        }
        journal.Close();
        const bool staging = DiscardIfPresent(kStaging);
        DiscardIfPresent(kAside);
        return staging;
    }

    Env& env_;
    const Installation& installation_;
    // The VC folder as a person reads it, for what is told.
    const std::string shown_;
    FileCloser vc_;
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
        const std::string vcDir = GetVcDir(index, root);
        if (IsExistingDirectory(env, vcDir)) {
            found.push_back({index, vcDir});
        }
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
    bool staged = true;
    for (const Installation& installation : installations) {
        sites.emplace_back(env, installation);
        if (!sites.back().Open()) {
            sites.pop_back();
            staged = false;
            break;
        }
        if (!sites.back().Stage(product)) {
            staged = false;
            break;
        }
    }
    if (!staged) {
        for (Site& site : sites) {
            site.DiscardIfPresent(kStaging);
        }
        env.Tell(
            "Orvane: the new templates could not be made ready for every Visual Studio, so none "
            "was changed.");
        return false;
    }
    bool complete = true;
    for (Site& site : sites) {
        complete &= site.Switch();
    }
    return complete;
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

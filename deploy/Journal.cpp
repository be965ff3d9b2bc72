#include "deploy/Journal.h"

#include <utility>

#include "deploy/FileSystem.h"

namespace orvane {
namespace {

const char* JournalName(Work work) {
    return work == Work::kInstall ? kInstallJournal : kRemoveJournal;
}

}  // namespace

bool Journal::HoldsOrvanes(int top, const Folder& place) const {
    for (const std::string& name : OrvanesNames(top)) {
        Child entry;
        if (!place.OpenChild(name, Access::kLook, &entry).ok() ||
            entry.kind != EntryKind::kMissing) {
            return true;
        }
    }
    return false;
}

bool Journal::Switch(const std::vector<std::string>& staged) {
    if (!record_.Write(record_.Pending(staged))) {
        vc_.Discard(kStaging);
        return false;
    }
    const Status status = vc_.RenameJournal(kStaging, kInstallJournal);
    if (!status.ok()) {
        vc_.Discard(kStaging);
        return vc_.Fail(vc_.Path(kStaging) + " cannot become " + kInstallJournal + ": " +
                        status.reason());
    }
    return MoveAll(Work::kInstall, Trust::kLive);
}

bool Journal::Settle() {
    if (!record_.Write(record_.Switched(journal_[kWizardsTop]))) {
        return false;  // the journal stays, for the next run to record
    }
    CloseAll();
    return Retire(kInstallJournal);
}

bool Journal::PutBack() {
    const bool undone = Undo();
    CloseAll();
    if (!undone) {
        return false;  // left for the next run to finish
    }
    vc_.Note("put back as it was, since another Visual Studio could not be switched over.");
    return Retire(kInstallJournal) && record_.Write(record_.Unswitched());
}

bool Journal::Finish(Work work, Trust trust) {
    if (!MoveAll(work, trust) ||
        !record_.Write(work == Work::kInstall ? record_.Switched(journal_[kWizardsTop])
                                              : std::vector<Added>())) {
        return false;
    }
    CloseAll();
    return Retire(JournalName(work));
}

// Moves every entry the journal of `work` names, keeping what moved and
// the folders it moved between. A live journal that fails is put back and
// retired; false then, and whenever it fails.
bool Journal::MoveAll(Work work, Trust trust) {
    const char* name = JournalName(work);
    moves_.clear();
    bool whole = true;
    {
        Child journal;
        Status status = vc_.handle().OpenChild(name, Access::kLook, &journal);
        if (status.ok() && journal.kind != EntryKind::kFolder) {
            status = Status::Failure(0, "it is not a folder of its own");
        }
        if (!status.ok()) {
            return vc_.Fail(vc_.Path(name) + " cannot be opened as itself: " + status.reason());
        }
        for (int top = 0; top < kTopCount && whole; ++top) {
            whole =
                work == Work::kInstall ? MoveAllIn(journal.folder, top, trust) : MoveAllAside(top);
        }
    }
    if (!whole && trust == Trust::kLive && Undo()) {
        CloseAll();
        if (Retire(name)) {
            record_.Write(record_.Unswitched());
        }
    }
    return whole;
}

bool Journal::MoveAllIn(const Folder& journal, int top, Trust trust) {
    const std::string stagedPath = Below(vc_.Path(kInstallJournal), kTops[top]);
    Child staged;
    Status status = journal.OpenChild(kTops[top], Access::kLook, &staged);
    if (status.ok() && staged.kind == EntryKind::kMissing) {
        return true;
    }
    if (status.ok() && staged.kind != EntryKind::kFolder) {
        return trust == Trust::kLive ? vc_.Fail(stagedPath + " is not a folder of its own") : true;
    }
    if (!status.ok()) {
        return vc_.Fail(stagedPath + " cannot be opened: " + status.reason());
    }
    journal_[top] = std::move(staged.folder);
    if (!vc_.OpenTop(top, true, &places_[top])) {
        return false;
    }
    std::vector<DirectoryEntry> entries;
    status = journal_[top].List(&entries);
    if (!status.ok()) {
        return vc_.Fail(stagedPath + " cannot be listed: " + status.reason());
    }
    for (const DirectoryEntry& entry : entries) {
        if (UnusableName(entry) == nullptr && !MoveIn(top, entry.name, trust)) {
            return false;
        }
    }
    // What the product no longer ships goes with the switch.
    for (const Added& entry : record_.entries()) {
        if (top == kWizardsTop && entry.pending == Added::kDropping &&
            !MoveAside(top, entry.name)) {
            return false;
        }
    }
    return true;
}

bool Journal::MoveIn(int top, const std::string& name, Trust trust) {
    const std::string stagedPath = Below(Below(vc_.Path(kInstallJournal), kTops[top]), name);
    const bool live = trust == Trust::kLive;
    Child staged;
    const Status opened = journal_[top].OpenChild(name, Access::kRemove, &staged);
    Status itself = opened;
    if (itself.ok() && staged.kind != EntryKind::kFolder && staged.kind != EntryKind::kFile) {
        itself = Status::Failure(0, kNotItself);
    }
    if (itself.ok() && !live && staged.kind == EntryKind::kFolder) {
        itself = CheckHoldsOnlyItself(staged.folder, stagedPath);
    }
    if (!itself.ok()) {
        // Nothing Orvane staged: left to be discarded with the journal.
        if (live) {
            return vc_.Fail(stagedPath + " is not itself: " + itself.reason());
        }
        vc_.Note("discarded " + stagedPath + ", which is not itself (" + itself.reason() +
                 "), so it was not moved into Visual Studio's folders.");
        return true;
    }
    const bool replaced =
        IsOwnName(top, name) || (top == kWizardsTop && record_.Holds(name, Added::kNone));
    const bool adding = top == kWizardsTop && record_.Holds(name, Added::kAdding);
    if (!replaced && !live && !adding) {
        // A journal found on disk is untrusted: only Orvane's own entries,
        // and those the record names, ever move from it into Visual
        // Studio's folders.
        vc_.Note("discarded " + stagedPath +
                 ": it is not one of Orvane's own entries, so it was not moved into Visual "
                 "Studio's folders.");
        return true;
    }
    if (!replaced) {
        return AddIn(top, name, staged);
    }
    if (!MoveAside(top, name)) {
        return false;
    }
    const Status status = staged.entry().MoveTo(places_[top], name, false);
    if (!status.ok()) {
        return vc_.Fail(Below(vc_.Path(kTops[top]), name) +
                        " cannot take the new content: " + status.reason());
    }
    moves_.push_back({top, name, false});
    return true;
}

// Adds staged entry `name` only where Visual Studio has nothing of its own
// (or something that cannot even be looked at).
bool Journal::AddIn(int top, const std::string& name, Child& staged) {
    Child there;
    Status status = places_[top].OpenChild(name, Access::kLook, &there);
    if (!status.ok() || there.kind != EntryKind::kMissing) {
        return true;
    }
    status = staged.entry().MoveTo(places_[top], name, false);
    if (!status.ok()) {
        return vc_.Fail(Below(vc_.Path(kTops[top]), name) + " cannot be added: " + status.reason());
    }
    moves_.push_back({top, name, false});
    return true;
}

bool Journal::MoveAllAside(int top) {
    if (!vc_.OpenTop(top, false, &places_[top])) {
        return false;
    }
    if (!places_[top].IsOpen()) {
        return true;
    }
    for (const std::string& name : OrvanesNames(top)) {
        if (!MoveAside(top, name)) {
            return false;
        }
    }
    return true;
}

// Moves whatever is at Orvane's name `name` of Visual Studio's folder `top`
// into the old content: a folder, a file, or a link itself.
bool Journal::MoveAside(int top, const std::string& name) {
    const std::string placePath = Below(vc_.Path(kTops[top]), name);
    Child current;
    Status status = places_[top].OpenChild(name, Access::kRemove, &current);
    if (status.ok() && current.kind == EntryKind::kMissing) {
        return true;
    }
    if (status.ok() && !current.entry().IsOpen()) {
        status = Status::Failure(0, "a link that cannot be opened itself");
    }
    if (!status.ok()) {
        return vc_.Fail(placePath + " cannot be moved aside as itself: " + status.reason());
    }
    Folder& aside = asides_[top];
    const std::string asidePath = Below(vc_.Path(kAside), kTops[top]);
    if (!aside.IsOpen()) {
        Folder old;
        if (!vc_.OpenOrMake(vc_.handle(), vc_.shown(), kAside, &old) ||
            !vc_.OpenOrMake(old, vc_.Path(kAside), kTops[top], &aside)) {
            return false;
        }
    }
    // Whatever an earlier run left there is old content too.
    if (!vc_.Discard(aside, asidePath, name)) {
        return false;
    }
    status = current.entry().MoveTo(aside, name, false);
    if (!status.ok()) {
        return vc_.Fail(placePath + " cannot be moved aside: " + status.reason());
    }
    moves_.push_back({top, name, true});
    return true;
}

// Moves every entry back where it was, the last moved first.
bool Journal::Undo() {
    bool undone = true;
    for (auto move = moves_.rbegin(); move != moves_.rend(); ++move) {
        const Folder& from = move->aside ? asides_[move->top] : places_[move->top];
        const Folder& to = move->aside ? places_[move->top] : journal_[move->top];
        Child entry;
        Status status = from.OpenChild(move->name, Access::kRemove, &entry);
        if (status.ok()) {
            status = entry.entry().MoveTo(to, move->name, false);
        }
        if (!status.ok()) {
            undone = vc_.Fail(Below(vc_.Path(kTops[move->top]), move->name) +
                              " cannot be put back as it was: " + status.reason());
        }
    }
    return undone;
}

// The journal becomes staging, only ever discarded, and goes with the old
// content: a run killed meanwhile finds nothing left to finish.
bool Journal::Retire(const char* name) {
    const Status status = vc_.RenameJournal(name, kStaging);
    if (!status.ok()) {
        return vc_.Fail(vc_.Path(name) + " cannot be retired: " + status.reason());
    }
    return vc_.Discard(kStaging) && vc_.Discard(kAside);
}

void Journal::CloseAll() {
    for (auto* folders : {&places_, &journal_, &asides_}) {
        for (Folder& folder : *folders) {
            folder.Close();
        }
    }
}

// Orvane's own names in Visual Studio's folder `top`, and there whatever
// the record names.
std::vector<std::string> Journal::OrvanesNames(int top) const {
    const std::vector<const char*> own = OwnNames(top);
    std::vector<std::string> names(own.begin(), own.end());
    if (top == kWizardsTop) {
        for (const std::string& name : record_.Names()) {
            if (!IsOwnName(top, name)) {
                names.push_back(name);
            }
        }
    }
    return names;
}

}  // namespace orvane

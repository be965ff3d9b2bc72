#include "deploy/Journal.h"

#include <utility>

#include "deploy/FileSystem.h"

namespace orvane {
const char* JournalName(Work work) {
    return work == Work::kInstall ? kInstallJournal : kRemoveJournal;
}

namespace {

// `first`, and what also failed after it: one failure that says both.
Status Also(const Status& first, const Status& then) {
    if (then.ok() || first.ok()) {
        return first.ok() ? then : first;
    }
    return Failed(first.reason() + "; " + then.reason(), first);
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

Status Journal::Switch(const std::vector<std::string>& staged) {
    Status status = record_.Write(record_.Pending(staged));
    if (status.ok()) {
        status = vc_.RenameJournal(kStaging, kInstallJournal);
        if (!status.ok()) {
            status = Failed(
                vc_.Path(kStaging) + " cannot become " + kInstallJournal + ": " + status.reason(),
                status);
        }
    }
    if (!status.ok()) {
        return Also(status, vc_.Discard(kStaging));
    }
    return MoveAll(Work::kInstall, Trust::kLive);
}

Status Journal::Settle() {
    // Where the record cannot be written, the journal stays, for the next
    // run to record.
    const Status status = record_.Write(record_.Switched(journal_[kWizardsTop]));
    CloseAll();
    return status.ok() ? Retire(kInstallJournal) : status;
}

Status Journal::PutBack() {
    const Status undone = Undo();
    CloseAll();
    if (!undone.ok()) {
        return undone;  // left for the next run to finish
    }
    vc_.Note("put back as it was, since another Visual Studio could not be switched over.");
    const Status status = Retire(kInstallJournal);
    return status.ok() ? record_.Write(record_.Unswitched()) : status;
}

Status Journal::Finish(Work work, Trust trust) {
    Status status = MoveAll(work, trust);
    if (status.ok()) {
        status = record_.Write(work == Work::kInstall ? record_.Switched(journal_[kWizardsTop])
                                                      : std::vector<Added>());
    }
    CloseAll();
    return status.ok() ? Retire(JournalName(work)) : status;
}

// Moves every entry the journal of `work` names, keeping what moved and
// the folders it moved between. A live journal that fails is put back and
// retired, and its failure says what of that failed too.
Status Journal::MoveAll(Work work, Trust trust) {
    const char* name = JournalName(work);
    moves_.clear();
    Status status;
    {
        Child journal;
        status = vc_.handle().OpenChild(name, Access::kLook, &journal);
        if (status.ok() && journal.kind != EntryKind::kFolder) {
            status = Status::Failure(0, "it is not a folder of its own");
        }
        if (!status.ok()) {
            return Failed(vc_.Path(name) + " cannot be opened as itself: " + status.reason(),
                          status);
        }
        for (int top = 0; top < kTopCount && status.ok(); ++top) {
            status =
                work == Work::kInstall ? MoveAllIn(journal.folder, top, trust) : MoveAllAside(top);
        }
    }
    if (!status.ok() && trust == Trust::kLive) {
        const Status undone = Undo();
        CloseAll();
        if (!undone.ok()) {
            return Also(status, undone);
        }
        const Status retired = Retire(name);
        return Also(status, retired.ok() ? record_.Write(record_.Unswitched()) : retired);
    }
    return status;
}

Status Journal::MoveAllIn(const Folder& journal, int top, Trust trust) {
    const std::string stagedPath = Below(vc_.Path(kInstallJournal), kTops[top]);
    Child staged;
    Status status = journal.OpenChild(kTops[top], Access::kLook, &staged);
    if (status.ok() && staged.kind == EntryKind::kMissing) {
        return status;
    }
    if (status.ok() && staged.kind != EntryKind::kFolder) {
        return trust == Trust::kLive ? Failed(stagedPath + " is not a folder of its own")
                                     : Status();
    }
    if (!status.ok()) {
        return Failed(stagedPath + " cannot be opened: " + status.reason(), status);
    }
    journal_[top] = std::move(staged.folder);
    status = vc_.OpenTop(top, true, &places_[top]);
    if (!status.ok()) {
        return status;
    }
    std::vector<DirectoryEntry> entries;
    status = journal_[top].List(&entries);
    if (!status.ok()) {
        return Failed(stagedPath + " cannot be listed: " + status.reason(), status);
    }
    for (const DirectoryEntry& entry : entries) {
        if (UnusableName(entry) == nullptr) {
            status = MoveIn(top, entry.name, trust);
            if (!status.ok()) {
                return status;
            }
        }
    }
    if (top != kWizardsTop) {
        return status;
    }
    // What the product no longer ships goes with the switch.
    for (const Added& entry : record_.entries()) {
        if (entry.pending == Added::kDropping) {
            status = MoveAside(top, entry.name);
            if (!status.ok()) {
                return status;
            }
        }
    }
    return status;
}

Status Journal::MoveIn(int top, const std::string& name, Trust trust) {
    const std::string stagedPath = Below(Below(vc_.Path(kInstallJournal), kTops[top]), name);
    const bool live = trust == Trust::kLive;
    Child staged;
    Status itself = journal_[top].OpenChild(name, Access::kRemove, &staged);
    if (itself.ok() && staged.kind != EntryKind::kFolder && staged.kind != EntryKind::kFile) {
        itself = Status::Failure(0, kNotItself);
    }
    if (itself.ok() && !live && staged.kind == EntryKind::kFolder) {
        itself = CheckHoldsOnlyItself(staged.folder, stagedPath);
    }
    if (!itself.ok()) {
        // Nothing Orvane staged: left to be discarded with the journal.
        if (live) {
            return Failed(stagedPath + " is not itself: " + itself.reason(), itself);
        }
        vc_.Note("discarded " + stagedPath + ", which is not itself (" + itself.reason() +
                 "), so it was not moved into Visual Studio's folders.");
        return Status();
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
        return Status();
    }
    if (!replaced) {
        return AddIn(top, name, staged);
    }
    Status status = MoveAside(top, name);
    if (!status.ok()) {
        return status;
    }
    status = staged.entry().MoveTo(places_[top], name, false);
    if (!status.ok()) {
        return Failed(
            Below(vc_.Path(kTops[top]), name) + " cannot take the new content: " + status.reason(),
            status);
    }
    moves_.push_back({top, name, false});
    return status;
}

// Adds staged entry `name` only where Visual Studio has nothing of its own
// (or something that cannot even be looked at).
Status Journal::AddIn(int top, const std::string& name, Child& staged) {
    Child there;
    Status status = places_[top].OpenChild(name, Access::kLook, &there);
    if (!status.ok() || there.kind != EntryKind::kMissing) {
        return Status();
    }
    status = staged.entry().MoveTo(places_[top], name, false);
    if (!status.ok()) {
        return Failed(Below(vc_.Path(kTops[top]), name) + " cannot be added: " + status.reason(),
                      status);
    }
    moves_.push_back({top, name, false});
    return status;
}

Status Journal::MoveAllAside(int top) {
    Status status = vc_.OpenTop(top, false, &places_[top]);
    if (!status.ok() || !places_[top].IsOpen()) {
        return status;
    }
    for (const std::string& name : OrvanesNames(top)) {
        status = MoveAside(top, name);
        if (!status.ok()) {
            return status;
        }
    }
    return status;
}

// Moves whatever is at Orvane's name `name` of Visual Studio's folder `top`
// into the old content: a folder, a file, or a link itself.
Status Journal::MoveAside(int top, const std::string& name) {
    const std::string placePath = Below(vc_.Path(kTops[top]), name);
    Child current;
    Status status = places_[top].OpenChild(name, Access::kRemove, &current);
    if (status.ok() && current.kind == EntryKind::kMissing) {
        return status;
    }
    if (status.ok() && !current.entry().IsOpen()) {
        status = Status::Failure(0, "a link that cannot be opened itself");
    }
    if (!status.ok()) {
        return Failed(placePath + " cannot be moved aside as itself: " + status.reason(), status);
    }
    Folder& aside = asides_[top];
    if (!aside.IsOpen()) {
        Folder old;
        status = vc_.OpenOrMake(vc_.handle(), vc_.shown(), kAside, &old);
        if (status.ok()) {
            status = vc_.OpenOrMake(old, vc_.Path(kAside), kTops[top], &aside);
        }
    }
    // Whatever an earlier run left there is old content too.
    if (status.ok()) {
        status = vc_.Discard(aside, Below(vc_.Path(kAside), kTops[top]), name);
    }
    if (!status.ok()) {
        return status;
    }
    status = current.entry().MoveTo(aside, name, false);
    if (!status.ok()) {
        return Failed(placePath + " cannot be moved aside: " + status.reason(), status);
    }
    moves_.push_back({top, name, true});
    return status;
}

// Moves every entry back where it was, the last moved first; the failure
// names each that could not be.
Status Journal::Undo() {
    Status undone;
    for (auto move = moves_.rbegin(); move != moves_.rend(); ++move) {
        const Folder& from = move->aside ? asides_[move->top] : places_[move->top];
        const Folder& to = move->aside ? places_[move->top] : journal_[move->top];
        Child entry;
        Status status = from.OpenChild(move->name, Access::kRemove, &entry);
        if (status.ok()) {
            status = entry.entry().MoveTo(to, move->name, false);
        }
        if (!status.ok()) {
            undone = Also(undone, Failed(Below(vc_.Path(kTops[move->top]), move->name) +
                                             " cannot be put back as it was: " + status.reason(),
                                         status));
        }
    }
    return undone;
}

// The journal becomes staging, only ever discarded, and goes with the old
// content: a run killed meanwhile finds nothing left to finish.
Status Journal::Retire(const char* name) {
    Status status = vc_.RenameJournal(name, kStaging);
    if (!status.ok()) {
        return Failed(vc_.Path(name) + " cannot be retired: " + status.reason(), status);
    }
    status = vc_.Discard(kStaging);
    return status.ok() ? vc_.Discard(kAside) : status;
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

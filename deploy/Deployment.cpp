#include "deploy/Deployment.h"

#include <algorithm>
#include <deque>
#include <string>

#include "deploy/AddedRecord.h"
#include "deploy/FileSystem.h"
#include "deploy/Journal.h"
#include "deploy/Staging.h"
#include "deploy/VcFolder.h"

namespace orvane {
namespace {

// One installation's VC folder and every step of this run in it: its
// recovery, its staging, its switch and its removal.
class Site {
  public:
    Site(Env& env, const Installation& installation)
        : vc_(env, installation), record_(vc_), staging_(vc_, record_), journal_(vc_, record_) {}
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    // Each step tells the caller, once, why it failed; false then.
    bool Open() {
        const Status status = vc_.Open();
        return vc_.Told(status.ok() ? record_.Load() : status);
    }
    bool Recover() { return vc_.Told(Mend()); }
    bool Stage(const Product& product, PendingWrites& pending) {
        return vc_.Told(staging_.Stage(product, pending));
    }
    bool ArrangeScripts() { return vc_.Told(staging_.ArrangeScripts()); }
    void DiscardStaging() { vc_.Told(staging_.Discard()); }
    // Puts the staged content in place: from here on the version is to get
    // all of it, and a run that is killed is finished by the next one.
    bool Switch() {
        vc_.env().Log("Orvane: Visual Studio " + vc_.Version() + " (" + vc_.shown() +
                      "): switching over to the new templates.");
        return vc_.Told(journal_.Switch(staging_.added()));
    }
    bool Settle() { return vc_.Told(journal_.Settle()); }
    bool PutBack() { return vc_.Told(journal_.PutBack()); }
    bool Remove() { return vc_.Told(MoveOrvanesAside()); }

  private:
    // Finishes what a run left half-done, and discards what it left aside.
    // A failure when the version cannot be served. What was set aside and
    // cannot be deleted (a link Wine will not remove itself, a file held
    // open) is told, and stays where Visual Studio does not look.
    Status Mend() {
        // Visual Studio's three folders are its own, or missing.
        Status status;
        for (int top = 0; top < kTopCount && status.ok(); ++top) {
            Folder folder;
            status = vc_.OpenTop(top, false, &folder);
        }
        // What earlier runs (or others) left at Orvane's names goes first,
        // so that none of it can keep this run from staging anew.
        if (status.ok()) {
            status = vc_.SweepOrvaneNames();
        }
        if (status.ok()) {
            status = vc_.Discard(kStaging);
        }
        for (const Work work : {Work::kInstall, Work::kRemove}) {
            if (status.ok()) {
                status = FinishFound(work);
            }
        }
        if (status.ok()) {
            status = vc_.Discard(kAside);
        }
        // A switch that never began leaves its record's marks.
        return status.ok() ? record_.Write(record_.Unswitched()) : status;
    }

    // Finishes the journal of `work` an earlier run left, if any; anything
    // else at its name is discarded.
    Status FinishFound(Work work) {
        const bool install = work == Work::kInstall;
        const char* name = JournalName(work);
        EntryKind kind = EntryKind::kMissing;
        {
            Child found;
            const Status status = vc_.handle().OpenChild(name, Access::kLook, &found);
            if (!status.ok()) {
                return Failed(vc_.Path(name) + " cannot be opened: " + status.reason(), status);
            }
            kind = found.kind;
        }
        if (kind == EntryKind::kFolder) {
            vc_.Note(std::string("finishing the ") + (install ? "installation" : "removal") +
                     " an earlier run left unfinished.");
            return journal_.Finish(work, Trust::kFound);
        }
        // Not a journal Orvane wrote: nothing to finish.
        return kind == EntryKind::kMissing ? Status() : vc_.Discard(name);
    }

    // Moves Orvane's own entries aside and deletes them.
    Status MoveOrvanesAside() {
        bool present = false;
        for (int top = 0; top < kTopCount && !present; ++top) {
            Folder place;
            const Status status = vc_.OpenTop(top, false, &place);
            if (!status.ok()) {
                return status;
            }
            present = place.IsOpen() && journal_.HoldsOrvanes(top, place);
        }
        if (!present) {
            return record_.Write({});
        }
        Folder journal;
        const Status status = vc_.MakeFolder(vc_.handle(), vc_.shown(), kRemoveJournal, &journal);
        journal.Close();
        return status.ok() ? journal_.Finish(Work::kRemove, Trust::kLive) : status;
    }

    VcFolder vc_;
    AddedRecord record_;
    Staging staging_;
    Journal journal_;
};

}  // namespace

std::vector<Installation> FindInstallations(Env& env, std::vector<Unreadable>* unreadable) {
    std::vector<Installation> found;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        Status why;
        const std::string root = GetVisualStudioRoot(env, index, &why);
        if (root.empty()) {
            if (!why.ok() && unreadable != nullptr) {
                unreadable->push_back({index, why});
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
        if (env.OpenFolder(installation.vcDir, &vc).ok() &&
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

namespace {

// Stages every version, makes all of it durable in one pass after the last
// write, and arranges each version's scripts: true when every version is
// ready to be switched. Otherwise every staging goes, nothing is changed.
bool StageAll(Env& env, const Product& product, const std::vector<Installation>& installations,
              std::deque<Site>* sites) {
    PendingWrites pending(env);
    bool staged = true;
    for (const Installation& installation : installations) {
        sites->emplace_back(env, installation);
        if (!sites->back().Open()) {
            sites->pop_back();
            staged = false;
            break;
        }
        if (!sites->back().Stage(product, pending)) {
            staged = false;
            break;
        }
    }
    // Every staged byte reaches the disk before anything is switched in: a
    // power cut after a switch then leaves no renamed-in file empty.
    if (staged) {
        const Status durable = pending.MakeDurable();
        if (!durable.ok()) {
            env.Tell("Orvane: the new templates could not be made durable: " + durable.reason());
            staged = false;
        }
    } else {
        pending.Drop();
    }
    for (Site& site : *sites) {
        staged = staged && site.ArrangeScripts();
    }
    if (!staged) {
        for (Site& site : *sites) {
            site.DiscardStaging();
        }
        env.Tell(
            "Orvane: the new templates could not be made ready for every Visual Studio, so none "
            "was changed.");
    }
    return staged;
}

// Switches every version before any version's old content goes: a switch
// that fails in one puts back those switched before it, so that a failed
// installation leaves every Visual Studio as it was.
bool SwitchAll(Env& env, std::deque<Site>& sites) {
    std::size_t switched = 0;
    while (switched < sites.size() && sites[switched].Switch()) {
        ++switched;
    }
    if (switched == sites.size()) {
        return true;
    }
    for (std::size_t i = 0; i < sites.size(); ++i) {
        if (i < switched) {
            sites[i].PutBack();
        } else if (i > switched) {
            sites[i].DiscardStaging();
        }
    }
    env.Tell(
        "Orvane: a Visual Studio could not be switched over to the new templates, so every one "
        "keeps what it had.");
    return false;
}

}  // namespace

bool InstallAllVersions(Env& env, const Product& product,
                        const std::vector<Installation>& installations) {
    std::deque<Site> sites;
    if (!StageAll(env, product, installations, &sites) || !SwitchAll(env, sites)) {
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

#pragma once

// One Visual Studio's VC folder as deployment and removal work in it: the
// names Orvane keeps there, the folder opened from the path the registry
// gives, and the steps every piece of the work shares (opening Visual
// Studio's three folders, making and discarding Orvane's own), each told
// to the caller with the version and the reason where it fails.

#include <string>
#include <vector>

#include "deploy/Deployment.h"
#include "deploy/FileSystem.h"
#include "platform/Env.h"

namespace orvane {

// Visual Studio's three folders that hold Orvane's entries, by index.
enum Top : int { kProjectsTop, kItemsTop, kWizardsTop };
constexpr int kTopCount = 3;
extern const char* const kTops[kTopCount];

// The journal's names in the VC folder. Staging and old content are only
// ever discarded; a journal of a switch or a removal is only ever finished.
extern const char* const kStaging;
extern const char* const kInstallJournal;
extern const char* const kRemoveJournal;
extern const char* const kAside;
// What a run set aside and could not delete (a link Wine will not remove
// itself, a file another program holds), under numbered names: every later
// run tries again to delete it.
extern const char* const kLeftovers;

// Orvane's own names in Visual Studio's folder `top`.
std::vector<const char*> OwnNames(int top);
bool IsOwnName(int top, const std::string& name);

// A failure saying `what`, with the system's code of `cause`, if any.
Status Failed(const std::string& what, const Status& cause = Status());

class VcFolder {
  public:
    VcFolder(Env& env, const Installation& installation);

    // Opens the VC folder itself.
    Status Open();

    Env& env() const { return env_; }
    const Folder& handle() const { return vc_; }
    VersionIndex index() const { return installation_.index; }
    std::string Version() const;
    // The VC folder as a person reads it, and entry `name` of it so.
    const std::string& shown() const { return shown_; }
    std::string Path(const std::string& name) const { return Below(shown_, name); }

    // Tells the caller what this run did in this version.
    void Note(const std::string& what) const;
    // Tells the caller, once, that a step in this version did not have its
    // effect and why, where `status` failed; its ok().
    bool Told(const Status& status) const;

    // Opens Visual Studio's folder `top` from the VC folder's handle: its
    // own folder, or nothing where it is missing and not to be made. A link
    // or a file in its place keeps the version from being served.
    Status OpenTop(int top, bool make, Folder* folder) const;
    // Opens folder `name` of `parent` as a folder of its own.
    Status OpenOwnFolder(const Folder& parent, const std::string& parentPath, const char* name,
                         Folder* folder) const;
    // Makes folder `name` of `parent` anew.
    Status MakeFolder(const Folder& parent, const std::string& parentPath, const char* name,
                      Folder* folder) const;
    // Opens folder `name` of `parent`, making it where nothing is there.
    Status OpenOrMake(const Folder& parent, const std::string& parentPath, const char* name,
                      Folder* folder) const;

    // Deletes entry `name` of `parent` whole. What of it cannot be deleted
    // is moved into the leftovers, where Visual Studio does not look and
    // every later run tries again, and is told; a failure only when it can
    // be neither deleted nor moved there, and so stays where it is.
    Status Discard(const Folder& parent, const std::string& parentPath,
                   const std::string& name) const;
    // Discards entry `name` of the VC folder.
    Status Discard(const std::string& name) const { return Discard(vc_, shown_, name); }

    // Every entry of the VC folder at a name of Orvane's that is not one of
    // the journal's (planted, or left by another Orvane) is discarded; then
    // every leftover that can be deleted now goes, and one line tells what
    // still cannot.
    Status SweepOrvaneNames() const;

    // Renames the journal's folder `from` in the VC folder to `to`, which
    // must be free; nothing stays open.
    Status RenameJournal(const char* from, const char* to) const;

  private:
    // Deletes every leftover that can be deleted now, and tells in one line
    // what still cannot.
    Status EmptyLeftovers() const;
    // Moves entry `name` of `parent` into the leftovers, under the first
    // number free there.
    Status MoveToLeftovers(const Folder& parent, const std::string& name) const;

    Env& env_;
    const Installation& installation_;
    const std::string shown_;
    Folder vc_;
};

}  // namespace orvane

#pragma once

// Existence tests, and Orvane's own walks over folders others may write:
// a folder's content copied, an entry deleted whole, and the single-file
// steps, each entry opened from its checked parent and used through that
// handle (see Env).

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace orvane {

// How deep below its top a walk goes; a deeper tree is not copied or
// deleted whole, and the walk says so.
constexpr int kMaxTreeDepth = 128;

// True when something other than a folder is at `path`: its folder is
// opened by path and the entry looked at from that handle.
bool IsExistingFile(Env& env, const std::string& path);

// True when `path` opens as a folder, or something is there that cannot be
// opened but is not known to be anything else.
bool IsExistingDirectory(Env& env, const std::string& path);

// Entry `name` of `folder`: joined by one backslash, none added after one.
std::string Below(const std::string& folder, const std::string& name);

// Why a listed entry cannot be used by its name (a look-alike the code
// page made, or a device's name), or null when it can.
const char* UnusableName(const DirectoryEntry& entry);

// `path` as a person reads it: "." components dropped and each ".."
// taking the name before it away, as Windows resolves them
// ("C:\A\B\C\..\..\VC" is "C:\A\VC"); a ".." that would step above the
// root stays.
std::string TidyPath(const std::string& path);

// True when `a` and `b` are the same name, ASCII letters in any case.
bool IsSameNameCaseless(const std::string& a, const std::string& b);

// The entry names from folder `root` down to `path`, which starts with it
// (letters in any case; a root ".\" also takes relative paths). "." and
// empty names are dropped and ".." steps back. False when `path` is not
// below `root` or steps out of it; an empty list when it is `root` itself.
bool NamesBelow(const std::string& root, const std::string& path, std::vector<std::string>* names);

// A folder at and above which links are the installer's choice, opened
// once by its path: every entry below it is then opened from its handle,
// so that nothing swapped in above one can be followed. One where nothing
// is there holds nothing (everything below it is missing).
struct Root {
    Env* env = nullptr;
    std::string path;
    Folder folder;  // closed where nothing is there
};

// Opens folder `path` as a root. Fails only when something is there that
// cannot be opened as a folder.
Status OpenRoot(Env& env, const std::string& path, Root* root);

// Opens `path` below `root` for `access`: `root` by its path, every entry
// below it from its parent's handle (Folder::OpenChild), and says what it
// is in *child. A folder on the way that is missing makes `path` kMissing;
// one that is not a folder of its own makes it kLink. `root` itself is
// opened as a folder. Fails when `root` cannot be opened (kMissing where
// nothing is there), `path` is not below it, or an entry on the way
// cannot be opened.
Status OpenBelow(Env& env, const std::string& root, const std::string& path, Access access,
                 Child* child);
// The same below an open root.
Status OpenBelow(const Root& root, const std::string& path, Access access, Child* child);

// Opens the folder that holds `path` below `root` and gives the last name.
// Fails when that folder cannot be opened as a folder of its own (with
// kPathNotFound where it is missing), or `path` is `root` itself.
Status OpenParentBelow(Env& env, const std::string& root, const std::string& path, Folder* folder,
                       std::string* name);
Status OpenParentBelow(const Root& root, const std::string& path, Folder* folder,
                       std::string* name);

// What `path` below `root` is, as OpenBelow says; nothing is kept open.
Status InspectBelow(Env& env, const std::string& root, const std::string& path, EntryKind* kind);
Status InspectBelow(const Root& root, const std::string& path, EntryKind* kind);

// Succeeds when `path` below `root`, and for a folder everything in it, is
// itself: no link, no second name, no sparse file, no name the code page
// cannot hold or Windows keeps for a device. A missing `path` has nothing
// in it and is free of links too. The failure names the first entry that
// is not, or that could not be looked at, and why.
Status CheckFreeOfLinks(Env& env, const std::string& root, const std::string& path);
Status CheckFreeOfLinks(const Root& root, const std::string& path);

// The same for everything in open folder `folder`, at `path`.
Status CheckHoldsOnlyItself(const Folder& folder, const std::string& path);

// What a failure says of an entry that is not itself.
extern const char* const kNotItself;

// Deletes entry `name` of open folder `parent` (at `parentPath`, for the
// reason): a file or a link itself, or a folder with everything in it.
// An entry another program holds, or a folder that still holds entries
// being deleted, is tried again after a pause (Env::Pause), for a third of
// a second at most in all. An entry already being deleted counts as gone.
// Succeeds when all of it went, or nothing was there; the failure names the
// first entry that stayed, and why.
Status DeleteEntry(Env& env, const Folder& parent, const std::string& parentPath,
                   const std::string& name);

// Files written and not yet made durable, each held open until one pass
// makes them all so (Env::MakeDurable): a flush per file as it is written
// would make the disk empty its cache each time.
class PendingWrites {
  public:
    explicit PendingWrites(Env& env) : env_(env) {}

    // Holds `file` for the pass. When kMaxHeld files are held already,
    // those are made durable and closed first, so that a large tree never
    // holds more handles than a process may have open.
    Status Hold(File file);

    // Makes every file held durable, and closes them.
    Status MakeDurable();

    // Closes every file held, not made durable: they are to be discarded.
    void Drop() { held_.clear(); }

    // How many files have been held so far, durable or not yet.
    std::size_t count() const { return count_; }

    static constexpr std::size_t kMaxHeld = 2048;

  private:
    Env& env_;
    std::vector<File> held_;
    std::size_t count_ = 0;
};

// Whether the folder a copy goes into was just made, and so holds nothing,
// or may hold entries of the same names, to be replaced.
enum class Destination { kNew, kExisting };

// Copies everything in open folder `from` (at `fromPath`) into open folder
// `to` (at `toPath`), each file written held in `pending` to be made
// durable. Succeeds only when every entry was copied; the failure names the
// first that was not, and why.
Status CopyFolderContent(const Folder& from, const std::string& fromPath, const Folder& to,
                         const std::string& toPath, Destination destination,
                         PendingWrites& pending);

// The single-file steps, inside an open folder. Succeeds when nothing is
// at `name` any more: a file, an empty folder or a link itself deleted, or
// nothing there.
Status ClearChild(const Folder& folder, const std::string& name);

// Copies file `from` of open folder `fromFolder` to `to` in open folder
// `toFolder`, replacing a file there; the copy is held in `pending`.
Status CopyChild(const Folder& fromFolder, const std::string& from, const Folder& toFolder,
                 const std::string& to, PendingWrites& pending);

}  // namespace orvane

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

// True when `path` names an existing entry that is not a folder.
bool IsExistingFile(Env& env, const std::string& path);

// True when `path` names an existing folder.
bool IsExistingDirectory(Env& env, const std::string& path);

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

// Opens `path` below `root` for `access`: `root` by its path, every entry
// below it from its parent's handle (Env::OpenChild). What `path` is; kLink
// also when a folder on the way is not one, or `path` is not below `root`;
// kMissing when `root` is no folder. *entry as Env::OpenChild sets it;
// `root` itself is opened as a folder.
EntryKind OpenBelow(Env& env, const std::string& root, const std::string& path, Access access,
                    Handle* entry);

// Opens the folder that holds `path` below `root` and gives the last name.
// False when that folder is missing, is no folder in its place, or `path`
// is `root` itself.
bool OpenParentBelow(Env& env, const std::string& root, const std::string& path, Handle* folder,
                     std::string* name);

// What `path` below `root` is; nothing is kept open.
EntryKind InspectBelow(Env& env, const std::string& root, const std::string& path);

// True when `path` below `root`, and for a folder everything in it, is
// itself: no link, no second name, no sparse file, no name the code page
// cannot hold or Windows keeps for a device. A
// missing `path` has nothing in it and is free of links too. Otherwise
// *where, if given, names the first entry that is not.
bool IsFreeOfLinks(Env& env, const std::string& root, const std::string& path,
                   std::string* where = nullptr);

// The same for everything in open folder `folder`, at `path`.
bool HoldsOnlyItself(Env& env, Handle folder, const std::string& path,
                     std::string* where = nullptr);

// Deletes entry `name` of open folder `parent` (at `parentPath`, for the
// reason): a file or a link itself, or a folder with everything in it.
// True when all of it went, or nothing was there; otherwise *failure, if
// given, names the first entry that stayed and why.
bool DeleteEntry(Env& env, Handle parent, const std::string& parentPath, const std::string& name,
                 std::string* failure = nullptr);

// Copies everything in open folder `from` into open folder `to`, which was
// just made and so holds nothing yet, each file flushed to the disk. True
// only when every entry was copied; otherwise *failure, if given, names the
// first that was not and why.
bool CopyFolderContent(Env& env, Handle from, const std::string& fromPath, Handle to,
                       const std::string& toPath, std::string* failure = nullptr);

// The single-file steps, inside an open folder. True when nothing is at
// `name` any more: a file, an empty folder or a link itself deleted, or
// nothing there.
bool ClearChild(Env& env, Handle folder, const std::string& name);

// Copies file `from` of open folder `fromFolder` to `to` in open folder
// `toFolder`, replacing a file there. True when all of it was written.
bool CopyChild(Env& env, Handle fromFolder, const std::string& from, Handle toFolder,
               const std::string& to);

}  // namespace orvane

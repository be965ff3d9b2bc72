#pragma once

// Existence tests and whole-tree copy and delete.

#include <cstddef>
#include <string>

#include "platform/Env.h"

namespace orvane {

// The shell's path lists hold one path in 260 bytes with its two closing
// zero bytes. Longer paths are refused, never cut: a cut-off delete path
// could name a parent folder.
constexpr std::size_t kMaxTreePathLength = 258;

// No progress window, and every question answered yes; no recycle bin and
// the shell's own error notices left on.
constexpr unsigned kTreeOperationFlags = 0x0014;
// Where nobody can see them, the shell's error notices would wait forever:
// they are suppressed there (FOF_NOERRORUI), and only there.
constexpr unsigned kNoErrorNotices = 0x0400;

// True when `path` names an existing entry that is not a folder.
bool IsExistingFile(Env& env, const std::string& path);

// True when `path` names an existing folder.
bool IsExistingDirectory(Env& env, const std::string& path);

// Deletes the file or the whole folder `path` names, without questions.
// True only when all of it went.
bool DeleteTree(Env& env, const std::string& path);

// Copies a file or folder tree, or with a source ending in "\*" the content
// of a folder, merging into what is there. A folder copied to a missing
// destination takes the destination's name; copied to an existing folder it
// lands inside it under its own name. True only when all of it was copied.
bool CopyTree(Env& env, const std::string& from, const std::string& to);

// True when `path` below `root`, and for a folder everything in it, is
// itself: no link, no file with a second name (see Env::InspectBelow), so
// that the shell's tree copy, which follows links, copies only what is
// there. A missing `path` has nothing to copy and is free of links too.
bool IsFreeOfLinks(Env& env, const std::string& root, const std::string& path);

// True when folder `to` holds everything folder `from` holds: each file
// under the same name (in any case) with the same size, each folder with
// the same content. The shell may report a copy as done that never
// arrived; this is how a copy is known to have arrived.
bool HoldsContentOf(Env& env, const std::string& from, const std::string& to);

}  // namespace orvane

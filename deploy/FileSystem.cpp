#include "deploy/FileSystem.h"

#include <iterator>
#include <utility>

#include "platform/CodePage.h"
#include "platform/DeviceNames.h"

namespace orvane {
namespace {

// Bytes moved at a time when a file is copied.
constexpr std::uint32_t kCopyBufferSize = 64 * 1024;

// How long a deletion waits, each time, for another program that holds
// an entry (an indexer, a virus scanner) to let go: about a third of a
// second in all for a whole walk, so that a tree held for good fails soon.
constexpr unsigned kPauses[] = {1, 10, 20, 40, 80, 160};

bool IsAsciiLetterCaseless(char a, char b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(a) == lower(b);
}

bool StartsWithCaseless(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (!IsAsciiLetterCaseless(text[i], prefix[i])) {
            return false;
        }
    }
    return true;
}

bool IsRelative(const std::string& path) {
    return !path.empty() && path[0] != '\\' && path.find(':') == std::string::npos;
}

// The part of `path` below `root`, or false when it is not below it.
bool PartBelow(const std::string& root, const std::string& path, std::string* rest) {
    if (StartsWithCaseless(path, root) &&
        (root.empty() || root.back() == '\\' || path.size() == root.size() ||
         path[root.size()] == '\\')) {
        *rest = path.substr(root.size());
        return true;
    }
    if (root == ".\\" && IsRelative(path)) {
        *rest = path;
        return true;
    }
    return false;
}

// One walk over a tree: its buffer, and the first thing that stopped it.
struct Walk {
    // Records why `path` failed, if nothing failed before; false, for the
    // step's result.
    bool Fail(const std::string& path, const std::string& why) {
        if (failure.ok()) {
            failure = Status::Failure(0, path + ": " + why);
        }
        return false;
    }

    // Waits a little longer each time for another program to let go of an
    // entry; false once the walk has waited all it may.
    bool Pause() {
        if (env == nullptr || pauses == std::size(kPauses)) {
            return false;
        }
        env->Pause(kPauses[pauses++]);
        return true;
    }

    std::vector<char> buffer;
    Status failure;
    // Where a copy holds the files it wrote.
    PendingWrites* pending = nullptr;
    // What a deletion waits through; none without it.
    Env* env = nullptr;
    std::size_t pauses = 0;
};

// Opens `name` in `parent` for looking, and again for reading when it is a
// file: a listing that said folder may have changed since.
Status OpenForCopy(const Folder& parent, const std::string& name, bool listedAsFolder,
                   Child* child) {
    Status status = parent.OpenChild(name, listedAsFolder ? Access::kLook : Access::kRead, child);
    if (status.ok() && child->kind == EntryKind::kFile && listedAsFolder) {
        status = parent.OpenChild(name, Access::kRead, child);
    }
    return status;
}

// Opens folder `name` in `parent` to copy into, making it when it is
// missing; a link or file there is removed itself first where the system
// allows. *destination tells whether it is new, and so empty.
bool OpenOrMakeDestination(Walk& walk, const Folder& parent, const std::string& path,
                           const std::string& name, Folder* folder, Destination* destination) {
    *destination = Destination::kExisting;
    Child there;
    Status status = parent.OpenChild(name, Access::kRemove, &there);
    if (!status.ok()) {
        return walk.Fail(Below(path, name), status.reason());
    }
    if (there.kind == EntryKind::kFolder) {
        *folder = std::move(there.folder);
        return true;
    }
    if (there.kind == EntryKind::kFile) {
        return walk.Fail(Below(path, name), "a file is in the folder's place");
    }
    if (there.kind == EntryKind::kLink) {
        status = there.link.IsOpen() ? there.link.Delete()
                                     : Status::Failure(0, "a link that cannot be removed itself");
        if (!status.ok()) {
            return walk.Fail(Below(path, name), status.reason());
        }
        there.link.Close();
    }
    *destination = Destination::kNew;
    status = parent.NewFolder(name, folder);
    return status.ok() || walk.Fail(Below(path, name), status.reason());
}

// Copies the open file `from` to `name` in `toFolder`, replacing what is
// there unless the folder is new.
bool CopyFileThrough(Walk& walk, const File& from, const Folder& toFolder,
                     const std::string& toPath, const std::string& name, Destination destination) {
    Status status;
    if (destination == Destination::kExisting) {
        status = ClearChild(toFolder, name);
    }
    File to;
    if (!status.ok() || !(status = toFolder.NewFile(name, &to)).ok()) {
        return walk.Fail(Below(toPath, name), status.reason());
    }
    walk.buffer.resize(kCopyBufferSize);
    for (;;) {
        std::uint32_t done = 0;
        status = from.Read(walk.buffer.data(), kCopyBufferSize, &done);
        if (status.ok() && done != 0) {
            status = to.Write(walk.buffer.data(), done);
        }
        if (!status.ok()) {
            walk.Fail(Below(toPath, name), status.reason());
            // A partial copy is not left behind as if it were the file.
            to.Delete().Ignore();
            return false;
        }
        if (done == 0) {
            // On the disk before anything is switched in by a rename.
            status = walk.pending->Hold(std::move(to));
            return status.ok() || walk.Fail(Below(toPath, name), status.reason());
        }
    }
}

// Lists open folder `folder`, `depth` below the walk's top; false, with
// the reason recorded, when it is too deep or cannot be listed.
bool ListForWalk(Walk& walk, const Folder& folder, const std::string& path, int depth,
                 std::vector<DirectoryEntry>* entries) {
    if (depth > kMaxTreeDepth) {
        return walk.Fail(path, "folders nested too deep");
    }
    const Status status = folder.List(entries);
    return status.ok() || walk.Fail(path, status.reason());
}

bool CopyInto(Walk& walk, const Folder& from, const std::string& fromPath, const Folder& to,
              const std::string& toPath, Destination destination, int depth);

// Copies entry `name` of open folder `from` into open folder `to`.
bool CopyEntry(Walk& walk, const Folder& from, const std::string& fromPath,
               const DirectoryEntry& entry, const Folder& to, const std::string& toPath,
               Destination destination, int depth) {
    const std::string source = Below(fromPath, entry.name);
    if (const char* why = UnusableName(entry)) {
        return walk.Fail(source, why);
    }
    Child child;
    const Status status =
        OpenForCopy(from, entry.name, (entry.attributes & kAttributeDirectory) != 0, &child);
    if (!status.ok()) {
        return walk.Fail(source, status.reason());
    }
    switch (child.kind) {
        case EntryKind::kFile:
            return CopyFileThrough(walk, child.file, to, toPath, entry.name, destination);
        case EntryKind::kFolder: {
            Folder copy;
            Destination inside = Destination::kNew;
            return OpenOrMakeDestination(walk, to, toPath, entry.name, &copy, &inside) &&
                   CopyInto(walk, child.folder, source, copy, Below(toPath, entry.name), inside,
                            depth + 1);
        }
        case EntryKind::kLink:
            return walk.Fail(source, kNotItself);
        case EntryKind::kMissing:
            break;
    }
    return walk.Fail(source, "it went during the copy");
}

// Copies every entry of open folder `from` into open folder `to`.
bool CopyInto(Walk& walk, const Folder& from, const std::string& fromPath, const Folder& to,
              const std::string& toPath, Destination destination, int depth) {
    std::vector<DirectoryEntry> entries;
    if (!ListForWalk(walk, from, fromPath, depth, &entries)) {
        return false;
    }
    bool complete = true;
    for (const DirectoryEntry& entry : entries) {
        complete &= CopyEntry(walk, from, fromPath, entry, to, toPath, destination, depth);
    }
    return complete;
}

bool DeleteContent(Walk& walk, const Folder& folder, const std::string& path, int depth);

// Deletes entry `name` of open folder `parent` once: a file or a link
// itself, or a folder with everything in it.
Status DeleteOnce(Walk& walk, const Folder& parent, const std::string& path,
                  const std::string& name, int depth) {
    Child child;
    Status status = parent.OpenChild(name, Access::kRemove, &child);
    if (!status.ok() || child.kind == EntryKind::kMissing) {
        return status;
    }
    if (child.kind == EntryKind::kLink && !child.link.IsOpen()) {
        return Status::Failure(0, "a link that cannot be removed itself");
    }
    if (child.kind == EntryKind::kFolder &&
        !DeleteContent(walk, child.folder, Below(path, name), depth + 1)) {
        return walk.failure;
    }
    return child.entry().Delete();
}

// Deletes entry `name` of open folder `parent`, as DeleteOnce does, again
// after a pause while another program holds it or what was in it.
bool DeleteChild(Walk& walk, const Folder& parent, const std::string& path, const std::string& name,
                 int depth) {
    for (;;) {
        const Status status = DeleteOnce(walk, parent, path, name, depth);
        if (status.ok()) {
            return true;
        }
        if (!(status.IsInUse() || status.IsNotEmpty()) || !walk.failure.ok() || !walk.Pause()) {
            return walk.Fail(Below(path, name), status.reason());
        }
    }
}

bool DeleteContent(Walk& walk, const Folder& folder, const std::string& path, int depth) {
    std::vector<DirectoryEntry> entries;
    if (!ListForWalk(walk, folder, path, depth, &entries)) {
        return false;
    }
    bool complete = true;
    for (const DirectoryEntry& entry : entries) {
        const char* why = UnusableName(entry);
        complete &= why == nullptr ? DeleteChild(walk, folder, path, entry.name, depth)
                                   : walk.Fail(Below(path, entry.name), why);
    }
    return complete;
}

// Splits `path`, tidied, into its folder and its last name; false for a
// root, a name alone, or a path ending in a separator.
bool SplitLast(const std::string& path, std::string* folder, std::string* name) {
    if (path.empty() || path.back() == '\\') {
        return false;  // a folder's path, never a file's
    }
    const std::string tidy = TidyPath(path);
    const std::size_t slash = tidy.rfind('\\');
    if (slash == std::string::npos || slash + 1 == tidy.size()) {
        return false;
    }
    *folder = tidy.substr(0, slash == 0 || tidy[slash - 1] == ':' ? slash + 1 : slash);
    *name = tidy.substr(slash + 1);
    return true;
}

}  // namespace

std::string Below(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

const char* const kNotItself =
    "not itself: a link, a second name of another file, a sparse file, or a name the code page "
    "cannot hold exactly or Windows keeps for a device";

const char* UnusableName(const DirectoryEntry& entry) {
    if (!entry.exact) {
        return "its name has a character the code page cannot hold exactly";
    }
    return IsDeviceName(entry.name) ? "its name is one Windows keeps for a device" : nullptr;
}

std::string TidyPath(const std::string& path) {
    // The root ("C:\", "\\server\share\") is never stepped out of.
    std::size_t start = path.size() > 1 && path[1] == ':' ? 2 : 0;
    if (path.compare(0, 2, "\\\\") == 0) {
        const std::size_t share = path.find('\\', 2);
        start = share == std::string::npos ? path.size() : path.find('\\', share + 1);
        start = start == std::string::npos ? path.size() : start;
    }
    std::vector<std::string> names;
    std::string name;
    const auto take = [&]() {
        if (name == ".." && !names.empty() && !names.back().empty() && names.back() != "..") {
            names.pop_back();
        } else if (name != "." && !(name.empty() && !names.empty())) {
            names.push_back(name);
        }
        name.clear();
    };
    for (std::size_t i = start; i < path.size(); ++i) {
        if (path[i] == '\\') {
            take();
            continue;
        }
        name += path[i];
        if (IsSystemLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            name += path[++i];
        }
    }
    take();
    std::string tidy = path.substr(0, start);
    for (std::size_t i = 0; i < names.size(); ++i) {
        tidy += (i == 0 ? "" : "\\") + names[i];
    }
    return tidy;
}

bool IsSameNameCaseless(const std::string& a, const std::string& b) {
    return a.size() == b.size() && StartsWithCaseless(a, b);
}

bool NamesBelow(const std::string& root, const std::string& path, std::vector<std::string>* names) {
    names->clear();
    std::string rest;
    if (!PartBelow(root, path, &rest)) {
        return false;
    }
    std::string name;
    const auto take = [&]() {
        if (name == "..") {
            if (names->empty()) {
                return false;
            }
            names->pop_back();
        } else if (!name.empty() && name != ".") {
            names->push_back(name);
        }
        name.clear();
        return true;
    };
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '\\') {
            if (!take()) {
                return false;
            }
            continue;
        }
        name += rest[i];
        // The trail byte of a double-byte character is never a separator.
        if (IsSystemLeadByte(static_cast<unsigned char>(rest[i])) && i + 1 < rest.size()) {
            name += rest[++i];
        }
    }
    return take();
}

bool IsExistingFile(Env& env, const std::string& path) {
    std::string folderPath;
    std::string name;
    Folder folder;
    Child child;
    if (!SplitLast(path, &folderPath, &name) || !env.OpenFolder(folderPath, &folder).ok()) {
        return false;
    }
    const Status status = folder.OpenChild(name, Access::kLook, &child);
    // Something that cannot be opened is there all the same.
    return !status.ok() || (child.kind != EntryKind::kMissing && child.kind != EntryKind::kFolder);
}

bool IsExistingDirectory(Env& env, const std::string& path) {
    Folder folder;
    const Status status = env.OpenFolder(path, &folder);
    // A folder that refuses to be opened is there all the same.
    return status.ok() || (!status.IsNotFound() && !status.IsNotAFolder());
}

namespace {

// Opens each of `names`, one or more, from its parent's handle, the first
// from `top`: every one but the last must be a folder in its place.
Status OpenNamesFrom(const Folder& top, const std::vector<std::string>& names, Access access,
                     Child* child) {
    *child = Child();
    const Folder* parent = &top;
    Folder held;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool last = i + 1 == names.size();
        const Status status = parent->OpenChild(names[i], last ? access : Access::kLook, child);
        if (!status.ok() || last) {
            return status;
        }
        if (child->kind != EntryKind::kFolder) {
            const EntryKind kind =
                child->kind == EntryKind::kMissing ? EntryKind::kMissing : EntryKind::kLink;
            *child = Child();
            child->kind = kind;
            return Status();
        }
        held = std::move(child->folder);
        parent = &held;
    }
    return Status();
}

// Opens each of `names` below the open `root`; no names give the root
// itself, opened again by its path (at and above it links are the
// installer's choice).
Status OpenNamesBelow(const Root& root, const std::vector<std::string>& names, Access access,
                      Child* child) {
    *child = Child();
    if (!root.folder.IsOpen()) {
        return Status();  // nothing is there: kMissing
    }
    if (!names.empty()) {
        return OpenNamesFrom(root.folder, names, access, child);
    }
    const Status status = root.env->OpenFolder(root.path, &child->folder);
    child->kind = status.ok() ? EntryKind::kFolder : EntryKind::kMissing;
    return status;
}

Status NotBelow(const std::string& root, const std::string& path) {
    return Status::Failure(0, path + " is not below " + root);
}

}  // namespace

Status OpenRoot(Env& env, const std::string& path, Root* root) {
    root->env = &env;
    root->path = path;
    const Status status = env.OpenFolder(path, &root->folder);
    return status.IsNotFound() ? Status() : status;
}

Status OpenBelow(Env& env, const std::string& root, const std::string& path, Access access,
                 Child* child) {
    Root opened;
    const Status status = OpenRoot(env, root, &opened);
    return status.ok() ? OpenBelow(opened, path, access, child) : status;
}

Status OpenBelow(const Root& root, const std::string& path, Access access, Child* child) {
    std::vector<std::string> names;
    if (!NamesBelow(root.path, path, &names)) {
        return NotBelow(root.path, path);
    }
    return OpenNamesBelow(root, names, access, child);
}

Status OpenParentBelow(const Root& root, const std::string& path, Folder* folder,
                       std::string* name) {
    std::vector<std::string> names;
    if (!NamesBelow(root.path, path, &names) || names.empty()) {
        return NotBelow(root.path, path);
    }
    *name = names.back();
    names.pop_back();
    Child opened;
    const Status status = OpenNamesBelow(root, names, Access::kLook, &opened);
    if (!status.ok()) {
        return status;
    }
    if (opened.kind != EntryKind::kFolder) {
        return opened.kind == EntryKind::kMissing
                   ? Status::Failure(kPathNotFound, "its folder is missing")
                   : Status::Failure(0, std::string("its folder is ") + kNotItself);
    }
    *folder = std::move(opened.folder);
    return Status();
}

Status OpenParentBelow(Env& env, const std::string& root, const std::string& path, Folder* folder,
                       std::string* name) {
    Root opened;
    const Status status = OpenRoot(env, root, &opened);
    return status.ok() ? OpenParentBelow(opened, path, folder, name) : status;
}

Status InspectBelow(Env& env, const std::string& root, const std::string& path, EntryKind* kind) {
    Root opened;
    const Status status = OpenRoot(env, root, &opened);
    return status.ok() ? InspectBelow(opened, path, kind) : status;
}

Status InspectBelow(const Root& root, const std::string& path, EntryKind* kind) {
    Child child;
    const Status status = OpenBelow(root, path, Access::kLook, &child);
    *kind = child.kind;
    return status;
}

namespace {

bool HoldsNoLinks(Walk& walk, const Folder& folder, const std::string& path, int depth) {
    std::vector<DirectoryEntry> entries;
    if (!ListForWalk(walk, folder, path, depth, &entries)) {
        return false;
    }
    for (const DirectoryEntry& entry : entries) {
        const std::string at = Below(path, entry.name);
        if (UnusableName(entry) != nullptr) {
            return walk.Fail(at, kNotItself);
        }
        Child child;
        const Status status = folder.OpenChild(entry.name, Access::kLook, &child);
        if (!status.ok()) {
            return walk.Fail(at, status.reason());
        }
        if (child.kind == EntryKind::kLink) {
            return walk.Fail(at, kNotItself);
        }
        if (child.kind == EntryKind::kFolder && !HoldsNoLinks(walk, child.folder, at, depth + 1)) {
            return false;
        }
    }
    return true;
}

}  // namespace

Status CheckHoldsOnlyItself(const Folder& folder, const std::string& path) {
    Walk walk;
    HoldsNoLinks(walk, folder, path, 0);
    return walk.failure;
}

Status CheckFreeOfLinks(Env& env, const std::string& root, const std::string& path) {
    Root opened;
    const Status status = OpenRoot(env, root, &opened);
    return status.ok() ? CheckFreeOfLinks(opened, path) : status;
}

Status CheckFreeOfLinks(const Root& root, const std::string& path) {
    Child entry;
    const Status status = OpenBelow(root, path, Access::kLook, &entry);
    if (!status.ok()) {
        return Status::Failure(status.code(), path + ": " + status.reason());
    }
    switch (entry.kind) {
        case EntryKind::kMissing:
        case EntryKind::kFile:
            break;
        case EntryKind::kLink:
            return Status::Failure(0, path + ": " + kNotItself);
        case EntryKind::kFolder:
            return CheckHoldsOnlyItself(entry.folder, path);
    }
    return Status();
}

Status DeleteEntry(Env& env, const Folder& parent, const std::string& parentPath,
                   const std::string& name) {
    Walk walk;
    walk.env = &env;
    DeleteChild(walk, parent, parentPath, name, 0);
    return walk.failure;
}

Status PendingWrites::Hold(File file) {
    Status status;
    if (held_.size() >= kMaxHeld) {
        status = MakeDurable();
    }
    held_.push_back(std::move(file));
    ++count_;
    return status;
}

Status PendingWrites::MakeDurable() {
    const Status status = env_.MakeDurable(held_);
    held_.clear();
    return status;
}

Status CopyFolderContent(const Folder& from, const std::string& fromPath, const Folder& to,
                         const std::string& toPath, Destination destination,
                         PendingWrites& pending) {
    Walk walk;
    walk.pending = &pending;
    CopyInto(walk, from, fromPath, to, toPath, destination, 0);
    return walk.failure;
}

Status ClearChild(const Folder& folder, const std::string& name) {
    Child child;
    Status status = folder.OpenChild(name, Access::kRemove, &child);
    if (!status.ok() || child.kind == EntryKind::kMissing) {
        return status;
    }
    return child.entry().IsOpen() ? child.entry().Delete()
                                  : Status::Failure(0, "a link that cannot be removed itself");
}

Status CopyChild(const Folder& fromFolder, const std::string& from, const Folder& toFolder,
                 const std::string& to, PendingWrites& pending) {
    Child source;
    Status status = fromFolder.OpenChild(from, Access::kRead, &source);
    if (status.ok() && source.kind != EntryKind::kFile) {
        status =
            Status::Failure(0, source.kind == EntryKind::kMissing ? "it is missing"
                                                                  : "it is not a file of its own");
    }
    if (!status.ok()) {
        return Status::Failure(status.code(), from + ": " + status.reason());
    }
    Walk walk;
    walk.pending = &pending;
    CopyFileThrough(walk, source.file, toFolder, std::string(), to, Destination::kExisting);
    return walk.failure;
}

}  // namespace orvane

#include "deploy/FileSystem.h"

#include "platform/CodePage.h"
#include "platform/DeviceNames.h"

namespace orvane {
namespace {

// Bytes moved at a time when a file is copied.
constexpr std::uint32_t kCopyBufferSize = 64 * 1024;

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
    explicit Walk(Env& walkEnv) : env(walkEnv) {}

    // Records why `path` failed, the system's reason unless one is given.
    bool Fail(const std::string& path, const std::string& why = std::string()) {
        if (failure.empty()) {
            failure = path + ": " + (why.empty() ? env.LastFailure() : why);
        }
        return false;
    }

    Env& env;
    std::vector<char> buffer;
    std::string failure;
};

std::string Below(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

// Opens `name` in `parent` for looking, and again for reading when it is a
// file: a listing that said folder may have changed since.
EntryKind OpenForCopy(Env& env, Handle parent, const std::string& name, bool listedAsFolder,
                      FileCloser* child) {
    EntryKind kind =
        env.OpenChild(parent, name, listedAsFolder ? Access::kLook : Access::kRead, child->put());
    if (kind == EntryKind::kFile && listedAsFolder) {
        kind = env.OpenChild(parent, name, Access::kRead, child->put());
    }
    return kind;
}

// Opens folder `name` in `parent` to copy into, making it when it is
// missing; a link there is removed itself first where the system allows.
// *made tells whether it is new, and so empty.
bool OpenOrCreateFolder(Walk& walk, Handle parent, const std::string& path, const std::string& name,
                        FileCloser* folder, bool* made) {
    *made = false;
    switch (walk.env.OpenChild(parent, name, Access::kRemove, folder->put())) {
        case EntryKind::kFolder:
            return true;
        case EntryKind::kMissing:
            break;
        case EntryKind::kLink:
            if (folder->get() == kNoHandle || !walk.env.DeleteOpened(folder->get())) {
                return walk.Fail(Below(path, name));
            }
            folder->Close();
            break;
        case EntryKind::kFile:
            return walk.Fail(Below(path, name), "a file is in the folder's place");
    }
    *made = walk.env.CreateChild(parent, name, true, folder->put());
    return *made || walk.Fail(Below(path, name));
}

// Copies the open file `from` to `name` in `toFolder`, which in a folder
// just made holds nothing to clear first.
bool CopyFileThrough(Walk& walk, Handle from, Handle toFolder, const std::string& toPath,
                     const std::string& name, bool fresh) {
    Env& env = walk.env;
    if (!fresh && !ClearChild(env, toFolder, name)) {
        return walk.Fail(Below(toPath, name));
    }
    FileCloser to(env);
    if (!env.CreateChild(toFolder, name, false, to.put())) {
        return walk.Fail(Below(toPath, name));
    }
    constexpr std::uint32_t kSize = kCopyBufferSize;
    walk.buffer.resize(kSize);
    for (;;) {
        std::uint32_t done = 0;
        if (!env.Read(from, walk.buffer.data(), kSize, &done) ||
            (done != 0 && !env.Write(to.get(), walk.buffer.data(), done))) {
            walk.Fail(Below(toPath, name));
            // A partial copy is not left behind as if it were the file.
            env.DeleteOpened(to.get());
            return false;
        }
        if (done == 0) {
            // On the disk before anything is switched in by a rename.
            return env.Flush(to.get()) || walk.Fail(Below(toPath, name));
        }
    }
}

// Lists open folder `folder`, `depth` below the walk's top; false, with
// the reason recorded, when it is too deep or cannot be listed.
bool ListForWalk(Walk& walk, Handle folder, const std::string& path, int depth,
                 std::vector<DirectoryEntry>* entries) {
    if (depth > kMaxTreeDepth) {
        return walk.Fail(path, "folders nested too deep");
    }
    return walk.env.ListFolder(folder, entries) || walk.Fail(path);
}

// Copies every entry of open folder `from` into open folder `to`.
bool CopyContent(Walk& walk, Handle from, const std::string& fromPath, Handle to,
                 const std::string& toPath, bool fresh, int depth) {
    std::vector<DirectoryEntry> entries;
    if (!ListForWalk(walk, from, fromPath, depth, &entries)) {
        return false;
    }
    bool complete = true;
    for (const DirectoryEntry& entry : entries) {
        if (const char* why = UnusableName(entry)) {
            complete = walk.Fail(Below(fromPath, entry.name), why);
            continue;
        }
        FileCloser child(walk.env);
        const bool listedAsFolder = (entry.attributes & kAttributeDirectory) != 0;
        switch (OpenForCopy(walk.env, from, entry.name, listedAsFolder, &child)) {
            case EntryKind::kFile:
                complete &= CopyFileThrough(walk, child.get(), to, toPath, entry.name, fresh);
                break;
            case EntryKind::kFolder: {
                FileCloser copy(walk.env);
                bool made = false;
                complete &= OpenOrCreateFolder(walk, to, toPath, entry.name, &copy, &made) &&
                            CopyContent(walk, child.get(), Below(fromPath, entry.name), copy.get(),
                                        Below(toPath, entry.name), made, depth + 1);
                break;
            }
            case EntryKind::kLink:
                complete = walk.Fail(Below(fromPath, entry.name));
                break;
            case EntryKind::kMissing:
                complete = walk.Fail(Below(fromPath, entry.name), "it went during the copy");
                break;
        }
    }
    return complete;
}

bool DeleteContent(Walk& walk, Handle folder, const std::string& path, int depth);

// Deletes entry `name` of open folder `parent`: a file or a link itself,
// or a folder with everything in it.
bool DeleteChild(Walk& walk, Handle parent, const std::string& path, const std::string& name,
                 int depth) {
    FileCloser child(walk.env);
    switch (walk.env.OpenChild(parent, name, Access::kRemove, child.put())) {
        case EntryKind::kMissing:
            return true;
        case EntryKind::kFolder:
            if (!DeleteContent(walk, child.get(), Below(path, name), depth + 1)) {
                return false;
            }
            break;
        case EntryKind::kFile:
        case EntryKind::kLink:
            break;
    }
    return (child.get() != kNoHandle && walk.env.DeleteOpened(child.get())) ||
           walk.Fail(Below(path, name));
}

bool DeleteContent(Walk& walk, Handle folder, const std::string& path, int depth) {
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

bool FindEntry(Env& env, const std::string& path, bool* isDirectory) {
    Handle search = kNoHandle;
    std::uint32_t attributes = 0;
    if (!env.FindFirst(path, &search, &attributes)) {
        return false;
    }
    env.CloseFind(search);
    *isDirectory = (attributes & kAttributeDirectory) != 0;
    return true;
}

}  // namespace

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

bool IsExistingFile(Env& env, const std::string& path) {
    bool isDirectory = false;
    return FindEntry(env, path, &isDirectory) && !isDirectory;
}

bool IsExistingDirectory(Env& env, const std::string& path) {
    bool isDirectory = false;
    return FindEntry(env, path, &isDirectory) && isDirectory;
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

namespace {

// Opens `root` by its path and then each of `names` from its parent's
// handle: every one but the last must be a folder in its place.
EntryKind OpenNames(Env& env, const std::string& root, const std::vector<std::string>& names,
                    Access access, Handle* entry) {
    FileCloser folder(env);
    if (!env.OpenFolder(root, false, folder.put())) {
        return IsExistingDirectory(env, root) ? EntryKind::kLink : EntryKind::kMissing;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool last = i + 1 == names.size();
        FileCloser child(env);
        const EntryKind kind =
            env.OpenChild(folder.get(), names[i], last ? access : Access::kLook, child.put());
        if (last) {
            *entry = child.release();
            return kind;
        }
        if (kind != EntryKind::kFolder) {
            return kind == EntryKind::kMissing ? kind : EntryKind::kLink;
        }
        folder.reset(child.release());
    }
    *entry = folder.release();
    return EntryKind::kFolder;
}

}  // namespace

EntryKind OpenBelow(Env& env, const std::string& root, const std::string& path, Access access,
                    Handle* entry) {
    std::vector<std::string> names;
    if (!NamesBelow(root, path, &names)) {
        return EntryKind::kLink;
    }
    return OpenNames(env, root, names, access, entry);
}

bool OpenParentBelow(Env& env, const std::string& root, const std::string& path, Handle* folder,
                     std::string* name) {
    std::vector<std::string> names;
    if (!NamesBelow(root, path, &names) || names.empty()) {
        return false;
    }
    *name = names.back();
    names.pop_back();
    FileCloser opened(env);
    if (OpenNames(env, root, names, Access::kLook, opened.put()) != EntryKind::kFolder) {
        return false;
    }
    *folder = opened.release();
    return true;
}

EntryKind InspectBelow(Env& env, const std::string& root, const std::string& path) {
    FileCloser entry(env);
    return OpenBelow(env, root, path, Access::kLook, entry.put());
}

namespace {

bool HoldsNoLinks(Env& env, Handle folder, const std::string& path, int depth, std::string* where) {
    std::vector<DirectoryEntry> entries;
    if (depth > kMaxTreeDepth || !env.ListFolder(folder, &entries)) {
        *where = path;
        return false;
    }
    for (const DirectoryEntry& entry : entries) {
        FileCloser child(env);
        const EntryKind kind = UnusableName(entry) == nullptr
                                   ? env.OpenChild(folder, entry.name, Access::kLook, child.put())
                                   : EntryKind::kLink;
        if (kind == EntryKind::kLink) {
            *where = Below(path, entry.name);
            return false;
        }
        if (kind == EntryKind::kFolder &&
            !HoldsNoLinks(env, child.get(), Below(path, entry.name), depth + 1, where)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool HoldsOnlyItself(Env& env, Handle folder, const std::string& path, std::string* where) {
    std::string found;
    const bool free = HoldsNoLinks(env, folder, path, 0, &found);
    if (!free && where != nullptr) {
        *where = found;
    }
    return free;
}

bool IsFreeOfLinks(Env& env, const std::string& root, const std::string& path, std::string* where) {
    std::string found = path;
    FileCloser entry(env);
    bool free = true;
    switch (OpenBelow(env, root, path, Access::kLook, entry.put())) {
        case EntryKind::kMissing:
        case EntryKind::kFile:
            break;
        case EntryKind::kLink:
            free = false;
            break;
        case EntryKind::kFolder:
            free = HoldsNoLinks(env, entry.get(), path, 0, &found);
            break;
    }
    if (!free && where != nullptr) {
        *where = found;
    }
    return free;
}

bool DeleteEntry(Env& env, Handle parent, const std::string& parentPath, const std::string& name,
                 std::string* failure) {
    Walk walk(env);
    if (!DeleteChild(walk, parent, parentPath, name, 0) && failure != nullptr) {
        *failure = walk.failure;
    }
    return walk.failure.empty();
}

bool CopyFolderContent(Env& env, Handle from, const std::string& fromPath, Handle to,
                       const std::string& toPath, std::string* failure) {
    Walk walk(env);
    if (!CopyContent(walk, from, fromPath, to, toPath, true, 0) && failure != nullptr) {
        *failure = walk.failure;
    }
    return walk.failure.empty();
}

bool ClearChild(Env& env, Handle folder, const std::string& name) {
    FileCloser child(env);
    if (env.OpenChild(folder, name, Access::kRemove, child.put()) == EntryKind::kMissing) {
        return true;
    }
    return child.get() != kNoHandle && env.DeleteOpened(child.get());
}

bool CopyChild(Env& env, Handle fromFolder, const std::string& from, Handle toFolder,
               const std::string& to) {
    FileCloser source(env);
    if (env.OpenChild(fromFolder, from, Access::kRead, source.put()) != EntryKind::kFile) {
        return false;
    }
    Walk walk(env);
    return CopyFileThrough(walk, source.get(), toFolder, std::string(), to, false);
}

}  // namespace orvane

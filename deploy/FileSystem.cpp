#include "deploy/FileSystem.h"

#include "app/CommandLine.h"

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

bool FitsTreePath(const std::string& path) {
    return path.size() <= kMaxTreePathLength && path.find('\0') == std::string::npos;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
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
bool OpenOrCreateFolder(Env& env, Handle parent, const std::string& name, FileCloser* folder,
                        bool* existed) {
    *existed = false;
    switch (env.OpenChild(parent, name, Access::kRemove, folder->put())) {
        case EntryKind::kFolder:
            *existed = true;
            return true;
        case EntryKind::kMissing:
            break;
        case EntryKind::kLink:
            if (folder->get() == kNoHandle || !env.DeleteOpened(folder->get())) {
                return false;
            }
            folder->Close();
            break;
        case EntryKind::kFile:
            return false;
    }
    return env.CreateChild(parent, name, true, folder->put());
}

bool CopyFileThrough(Env& env, Handle from, Handle toFolder, const std::string& name,
                     std::vector<char>* buffer) {
    if (!ClearChild(env, toFolder, name)) {
        return false;
    }
    FileCloser to(env);
    if (!env.CreateChild(toFolder, name, false, to.put())) {
        return false;
    }
    buffer->resize(kCopyBufferSize);
    for (;;) {
        std::uint32_t done = 0;
        if (!env.Read(from, buffer->data(), kCopyBufferSize, &done) ||
            (done != 0 && !env.Write(to.get(), buffer->data(), done))) {
            // A partial copy is not left behind as if it were the file.
            env.DeleteOpened(to.get());
            return false;
        }
        if (done == 0) {
            return true;
        }
    }
}

// Copies every entry of open folder `from` into open folder `to`.
bool CopyContent(Env& env, Handle from, Handle to, int depth, std::vector<char>* buffer) {
    std::vector<DirectoryEntry> entries;
    if (depth > kMaxTreeDepth || !env.ListFolder(from, &entries)) {
        return false;
    }
    bool complete = true;
    for (const DirectoryEntry& entry : entries) {
        FileCloser child(env);
        const bool listedAsFolder = (entry.attributes & kAttributeDirectory) != 0;
        const EntryKind kind =
            entry.exact ? OpenForCopy(env, from, entry.name, listedAsFolder, &child)
                        : EntryKind::kLink;
        if (kind == EntryKind::kFile) {
            complete &= CopyFileThrough(env, child.get(), to, entry.name, buffer);
        } else if (kind == EntryKind::kFolder) {
            FileCloser copy(env);
            bool existed = false;
            complete &= OpenOrCreateFolder(env, to, entry.name, &copy, &existed) &&
                        CopyContent(env, child.get(), copy.get(), depth + 1, buffer);
        } else {
            complete = false;
        }
    }
    return complete;
}

// Deletes everything in open folder `folder`.
bool DeleteContent(Env& env, Handle folder, int depth);

// Deletes entry `name` of open folder `parent`: a file or a link itself,
// or a folder with everything in it.
bool DeleteChild(Env& env, Handle parent, const std::string& name, int depth) {
    FileCloser child(env);
    switch (env.OpenChild(parent, name, Access::kRemove, child.put())) {
        case EntryKind::kMissing:
            return true;
        case EntryKind::kFolder:
            if (!DeleteContent(env, child.get(), depth + 1)) {
                return false;
            }
            break;
        case EntryKind::kFile:
        case EntryKind::kLink:
            break;
    }
    return child.get() != kNoHandle && env.DeleteOpened(child.get());
}

bool DeleteContent(Env& env, Handle folder, int depth) {
    std::vector<DirectoryEntry> entries;
    if (depth > kMaxTreeDepth || !env.ListFolder(folder, &entries)) {
        return false;
    }
    bool complete = true;
    for (const DirectoryEntry& entry : entries) {
        complete &= entry.exact && DeleteChild(env, folder, entry.name, depth);
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

bool IsExistingFile(Env& env, const std::string& path) {
    bool isDirectory = false;
    return FindEntry(env, path, &isDirectory) && !isDirectory;
}

bool IsExistingDirectory(Env& env, const std::string& path) {
    bool isDirectory = false;
    return FindEntry(env, path, &isDirectory) && isDirectory;
}

bool NamesBelow(const std::string& root, const std::string& path,
                std::vector<std::string>* names) {
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

bool HoldsNoLinks(Env& env, Handle folder, int depth) {
    std::vector<DirectoryEntry> entries;
    if (depth > kMaxTreeDepth || !env.ListFolder(folder, &entries)) {
        return false;
    }
    for (const DirectoryEntry& entry : entries) {
        FileCloser child(env);
        const EntryKind kind = entry.exact
                                   ? env.OpenChild(folder, entry.name, Access::kLook, child.put())
                                   : EntryKind::kLink;
        if (kind == EntryKind::kLink ||
            (kind == EntryKind::kFolder && !HoldsNoLinks(env, child.get(), depth + 1))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsFreeOfLinks(Env& env, const std::string& root, const std::string& path) {
    FileCloser entry(env);
    switch (OpenBelow(env, root, path, Access::kLook, entry.put())) {
        case EntryKind::kMissing:
        case EntryKind::kFile:
            return true;
        case EntryKind::kLink:
            return false;
        case EntryKind::kFolder:
            break;
    }
    return HoldsNoLinks(env, entry.get(), 0);
}

bool DeleteTree(Env& env, const std::string& root, const std::string& path) {
    FileCloser parent(env);
    std::string name;
    if (!FitsTreePath(path) || !OpenParentBelow(env, root, path, parent.put(), &name)) {
        return false;
    }
    FileCloser probe(env);
    if (env.OpenChild(parent.get(), name, Access::kLook, probe.put()) == EntryKind::kMissing) {
        return false;
    }
    probe.Close();
    const bool deleted = DeleteChild(env, parent.get(), name, 0);
    // A delete is done when the handles close; the name must be gone then.
    return deleted &&
           env.OpenChild(parent.get(), name, Access::kLook, probe.put()) == EntryKind::kMissing;
}

bool CopyTree(Env& env, const std::string& fromRoot, const std::string& from,
              const std::string& toRoot, const std::string& to) {
    if (!FitsTreePath(from) || !FitsTreePath(to)) {
        return false;
    }
    const bool contentOnly = EndsWith(from, "\\*");
    FileCloser sourceParent(env);
    std::string sourceName;
    FileCloser source(env);
    if (!OpenParentBelow(env, fromRoot, contentOnly ? from.substr(0, from.size() - 2) : from,
                         sourceParent.put(), &sourceName)) {
        return false;
    }
    const EntryKind sourceKind = OpenForCopy(env, sourceParent.get(), sourceName, true, &source);
    if (sourceKind != EntryKind::kFolder && (contentOnly || sourceKind != EntryKind::kFile)) {
        return false;
    }

    // The destination, made with any missing folders above it; a file
    // source keeps the last name for itself unless that is a folder.
    std::vector<std::string> names;
    FileCloser target(env);
    if (!NamesBelow(toRoot, to, &names)) {
        return false;
    }
    bool existed = IsExistingDirectory(env, toRoot);
    if (!env.OpenFolder(toRoot, true, target.put())) {
        return false;
    }
    const bool fileName = sourceKind == EntryKind::kFile && !names.empty();
    for (std::size_t i = 0; i + (fileName ? 1 : 0) < names.size(); ++i) {
        FileCloser child(env);
        if (!OpenOrCreateFolder(env, target.get(), names[i], &child, &existed)) {
            return false;
        }
        target.reset(child.release());
    }
    if (fileName) {
        FileCloser child(env);
        if (env.OpenChild(target.get(), names.back(), Access::kLook, child.put()) ==
            EntryKind::kFolder) {
            target.reset(child.release());
        } else {
            sourceName = names.back();
        }
    }
    std::vector<char> buffer;
    if (sourceKind == EntryKind::kFile) {
        return CopyFileThrough(env, source.get(), target.get(), sourceName, &buffer);
    }
    if (existed && !contentOnly) {
        FileCloser inner(env);
        bool innerExisted = false;
        if (!OpenOrCreateFolder(env, target.get(), sourceName, &inner, &innerExisted)) {
            return false;
        }
        return CopyContent(env, source.get(), inner.get(), 0, &buffer);
    }
    return CopyContent(env, source.get(), target.get(), 0, &buffer);
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
    std::vector<char> buffer;
    return CopyFileThrough(env, source.get(), toFolder, to, &buffer);
}

}  // namespace orvane

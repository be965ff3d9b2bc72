#include "deploy/FileSystem.h"

#include <array>
#include <cstring>
#include <map>
#include <vector>

namespace orvane {
namespace {

using PathList = std::array<char, kMaxTreePathLength + 2>;

// Fills `list` with `path` as a list of one entry. False when it does not
// fit, or holds a zero byte that would end the list early.
bool MakePathList(const std::string& path, PathList* list) {
    if (path.size() > kMaxTreePathLength || path.find('\0') != std::string::npos) {
        return false;
    }
    list->fill('\0');
    std::memcpy(list->data(), path.data(), path.size());
    return true;
}

bool RunTreeOperation(Env& env, FileOp op, const char* from, const char* to) {
    bool aborted = false;
    const unsigned flags = kTreeOperationFlags | (env.IsInteractive() ? 0 : kNoErrorNotices);
    const int status = env.FileOperation(op, from, to, flags, &aborted);
    return status == 0 && !aborted;
}

// The directory bit of the entry `path` names, or no answer when none does.
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

std::string Lower(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
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

bool DeleteTree(Env& env, const std::string& path) {
    PathList from;
    if (!MakePathList(path, &from)) {
        return false;
    }
    return RunTreeOperation(env, FileOp::kDelete, from.data(), nullptr);
}

bool CopyTree(Env& env, const std::string& fromPath, const std::string& toPath) {
    PathList from;
    PathList to;
    if (!MakePathList(fromPath, &from) || !MakePathList(toPath, &to)) {
        return false;
    }
    return RunTreeOperation(env, FileOp::kCopy, from.data(), to.data());
}

bool IsFreeOfLinks(Env& env, const std::string& root, const std::string& path) {
    switch (env.InspectBelow(root, path)) {
        case EntryKind::kMissing:
        case EntryKind::kFile:
            return true;
        case EntryKind::kLink:
            return false;
        case EntryKind::kFolder:
            break;
    }
    std::vector<DirectoryEntry> entries;
    if (!env.ListDirectory(path, &entries)) {
        return false;
    }
    for (const DirectoryEntry& entry : entries) {
        if (!IsFreeOfLinks(env, root, path + "\\" + entry.name)) {
            return false;
        }
    }
    return true;
}

bool HoldsContentOf(Env& env, const std::string& from, const std::string& to) {
    std::vector<DirectoryEntry> source;
    std::vector<DirectoryEntry> target;
    if (!env.ListDirectory(from, &source) || !env.ListDirectory(to, &target)) {
        return false;
    }
    std::map<std::string, const DirectoryEntry*> byName;
    for (const DirectoryEntry& entry : target) {
        byName[Lower(entry.name)] = &entry;
    }
    for (const DirectoryEntry& entry : source) {
        const auto found = byName.find(Lower(entry.name));
        if (found == byName.end()) {
            return false;
        }
        const DirectoryEntry& copy = *found->second;
        const bool isFolder = (entry.attributes & kAttributeDirectory) != 0;
        if (isFolder != ((copy.attributes & kAttributeDirectory) != 0)) {
            return false;
        }
        if (isFolder ? !HoldsContentOf(env, from + "\\" + entry.name, to + "\\" + copy.name)
                     : entry.size != copy.size) {
            return false;
        }
    }
    return true;
}

}  // namespace orvane

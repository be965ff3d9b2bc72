#include "tests/native/FakeEnv.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace orvane {
namespace {

constexpr long kErrorFileNotFound = 2;
constexpr long kErrorMoreData = 234;

// The components of a path with "." dropped and ".." applied, in the case
// they were written in.
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, std::size_t count) {
    std::string joined;
    for (std::size_t i = 0; i < count; ++i) {
        joined += (i == 0 ? "" : "\\") + parts[i];
    }
    return joined;
}

std::string Resolved(const std::string& path) {
    const auto parts = Components(path);
    return Join(parts, parts.size());
}

std::string LastComponent(const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsBelow(const std::string& key, const std::string& parentKey) {
    return key.size() > parentKey.size() + 1 && key.compare(0, parentKey.size(), parentKey) == 0 &&
           key[parentKey.size()] == '\\';
}

}  // namespace

std::string FakeEnv::Lower(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return lower;
}

std::string FakeEnv::Normalise(const std::string& path) {
    return Lower(Resolved(path));
}

// --- Setting up and looking ------------------------------------------------------

void FakeEnv::SetValue(const std::string& subKey, const std::string& name,
                       const std::string& bytes) {
    registry_[Lower(subKey)][Lower(name)] = bytes;
}

void FakeEnv::AddKey(const std::string& subKey) {
    registry_[Lower(subKey)];
}

void FakeEnv::MakeDirectories(const std::string& path) {
    const auto parts = Components(path);
    for (std::size_t count = 1; count <= parts.size(); ++count) {
        const std::string display = Join(parts, count);
        Entry& entry = entries_[Lower(display)];
        if (entry.path.empty()) {
            entry.path = display;
            entry.directory = true;
        }
    }
}

void FakeEnv::AddDirectory(const std::string& path) {
    MakeDirectories(path);
}

void FakeEnv::AddFile(const std::string& path, const std::string& content) {
    const auto parts = Components(path);
    MakeDirectories(Join(parts, parts.size() - 1));
    Entry& entry = entries_[Normalise(path)];
    entry.path = Join(parts, parts.size());
    entry.directory = false;
    entry.content = content;
}

void FakeEnv::SetReadOnly(const std::string& path, bool readOnly) {
    entries_.at(Normalise(path)).readOnly = readOnly;
}

void FakeEnv::HoldOpen(const std::string& path) {
    heldOpen_.insert(Normalise(path));
}

void FakeEnv::AddLink(const std::string& path, bool toFolder) {
    if (toFolder) {
        AddDirectory(path);
    } else {
        AddFile(path, "what the link leads to");
    }
    entries_.at(Normalise(path)).link = true;
}

void FakeEnv::FailCall(Call call, int nth) {
    if (nth == 0) {
        failAlways_.insert(call);
    } else {
        failAt_[call].insert(calls_[call] + nth);
    }
}

int FakeEnv::CallCount(Call call) const {
    const auto found = calls_.find(call);
    return found == calls_.end() ? 0 : found->second;
}

bool FakeEnv::ShouldFail(Call call) {
    const int count = ++calls_[call];
    return failAlways_.count(call) != 0 || failAt_[call].count(count) != 0;
}

bool FakeEnv::Exists(const std::string& path) const {
    return entries_.count(Normalise(path)) != 0;
}

bool FakeEnv::IsDirectory(const std::string& path) const {
    const auto found = entries_.find(Normalise(path));
    return found != entries_.end() && found->second.directory;
}

std::string FakeEnv::Content(const std::string& path) const {
    return entries_.at(Normalise(path)).content;
}

std::vector<std::string> FakeEnv::Tree(const std::string& root) const {
    const std::string rootKey = Normalise(root);
    std::vector<std::string> tree;
    for (const auto& [key, entry] : entries_) {
        if (!IsBelow(key, rootKey)) {
            continue;
        }
        const std::string relative = entry.path.substr(rootKey.size() + 1);
        tree.push_back(entry.directory ? relative + "\\" : relative + "=" + entry.content);
    }
    return tree;
}

std::uint32_t FakeEnv::AttributesOf(const Entry& entry) {
    if (!entry.directory) {
        return 0x20;
    }
    return entry.link ? kAttributeDirectory | 0x400 : kAttributeDirectory;
}

bool FakeEnv::IsBusy(const std::string& key) const {
    if (heldOpen_.count(key) != 0) {
        return true;
    }
    return std::any_of(openFiles_.begin(), openFiles_.end(),
                       [&](const auto& open) { return open.second.key == key; });
}

bool FakeEnv::HasChildren(const std::string& key) const {
    const auto next = entries_.lower_bound(key + "\\");
    return next != entries_.end() && IsBelow(next->first, key);
}

bool FakeEnv::ParentExists(const std::string& key) const {
    const std::size_t slash = key.rfind('\\');
    if (slash == std::string::npos) {
        return true;  // relative to the current folder
    }
    const auto found = entries_.find(key.substr(0, slash));
    return found != entries_.end() && found->second.directory;
}

// --- Registry ----------------------------------------------------------------------

long FakeEnv::OpenKey(const std::string& subKey, Handle* key) {
    if (ShouldFail(Call::kOpenKey) || registry_.count(Lower(subKey)) == 0) {
        return kErrorFileNotFound;
    }
    *key = nextHandle_++;
    openKeys_[*key] = Lower(subKey);
    return 0;
}

long FakeEnv::QueryValue(Handle key, const std::string& name, unsigned char* data,
                         std::uint32_t* size) {
    const auto& values = registry_.at(openKeys_.at(key));
    const auto found = values.find(Lower(name));
    if (ShouldFail(Call::kQueryValue) || found == values.end()) {
        return kErrorFileNotFound;
    }
    const std::string& bytes = found->second;
    if (bytes.size() > *size) {
        *size = static_cast<std::uint32_t>(bytes.size());
        return kErrorMoreData;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    *size = static_cast<std::uint32_t>(bytes.size());
    return 0;
}

void FakeEnv::CloseKey(Handle key) {
    if (openKeys_.erase(key) == 0) {
        throw std::logic_error("a registry key closed twice or never opened");
    }
}

// --- Directory search ------------------------------------------------------------

bool FakeEnv::FindFirst(const std::string& path, Handle* search, std::uint32_t* attributes) {
    if (ShouldFail(Call::kFindFirst) || path.empty() || path.back() == '\\' ||
        path.find_first_of("*?") != std::string::npos) {
        return false;
    }
    const auto found = entries_.find(Normalise(path));
    if (found == entries_.end()) {
        return false;
    }
    *search = nextHandle_++;
    *attributes = AttributesOf(found->second);
    ++searchCount_;
    return true;
}

void FakeEnv::CloseFind(Handle) {
    --searchCount_;
}

bool FakeEnv::ListDirectory(const std::string& path, std::vector<DirectoryEntry>* entries) {
    entries->clear();
    const std::string key = Normalise(path);
    if (ShouldFail(Call::kListDirectory) || !IsDirectory(path)) {
        return false;
    }
    for (const auto& [below, entry] : entries_) {
        if (IsBelow(below, key) && below.find('\\', key.size() + 1) == std::string::npos) {
            entries->push_back(DirectoryEntry{LastComponent(entry.path), AttributesOf(entry),
                                              entry.content.size()});
        }
    }
    return true;
}

// --- Shell file operation ----------------------------------------------------------

bool FakeEnv::DeleteEntryTree(const std::string& key) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->first == key || IsBelow(it->first, key)) {
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    return true;
}

bool FakeEnv::CopyEntryTree(const std::string& fromKey, const std::string& toPath) {
    const Entry source = entries_.at(fromKey);
    if (!source.directory) {
        const auto parts = Components(toPath);
        MakeDirectories(Join(parts, parts.size() - 1));
        Entry& target = entries_[Normalise(toPath)];
        if (target.directory) {
            return false;
        }
        if (target.path.empty()) {
            target.path = Resolved(toPath);
        }
        target.content = source.content;
        return true;
    }
    MakeDirectories(toPath);
    std::vector<std::pair<std::string, Entry>> below;
    for (const auto& [key, entry] : entries_) {
        if (IsBelow(key, fromKey)) {
            below.emplace_back(key, entry);
        }
    }
    const std::string toResolved = Resolved(toPath);
    for (const auto& [key, entry] : below) {
        const std::string target = toResolved + entry.path.substr(fromKey.size());
        if (entry.directory) {
            MakeDirectories(target);
        } else if (!CopyEntryTree(key, target)) {
            return false;
        }
    }
    return true;
}

int FakeEnv::FileOperation(FileOp op, const char* from, const char* to, unsigned flags,
                           bool* aborted) {
    *aborted = false;
    lastFlags_ = flags;
    const std::string source = from;
    if (op == FileOp::kDelete) {
        log_.push_back("delete " + source);
        if (ShouldFail(Call::kFileOperation) || !Exists(source)) {
            return kErrorFileNotFound;
        }
        DeleteEntryTree(Normalise(source));
        return 0;
    }
    const std::string target = to;
    log_.push_back("copy " + source + " -> " + target);
    if (ShouldFail(Call::kFileOperation)) {
        return kErrorFileNotFound;
    }
    if (ShouldFail(Call::kCopyArrives)) {
        return 0;
    }
    if (source.size() >= 2 && source.compare(source.size() - 2, 2, "\\*") == 0) {
        const std::string folder = source.substr(0, source.size() - 2);
        if (!IsDirectory(folder)) {
            return kErrorFileNotFound;
        }
        MakeDirectories(target);
        const std::string folderKey = Normalise(folder);
        std::vector<std::pair<std::string, std::string>> children;
        for (const auto& [key, entry] : entries_) {
            if (IsBelow(key, folderKey) &&
                key.find('\\', folderKey.size() + 1) == std::string::npos) {
                children.emplace_back(key, LastComponent(entry.path));
            }
        }
        for (const auto& [key, name] : children) {
            if (!CopyEntryTree(key, target + "\\" + name)) {
                return 1;
            }
        }
        return 0;
    }
    if (!Exists(source)) {
        return kErrorFileNotFound;
    }
    const Entry& entry = entries_.at(Normalise(source));
    const std::string destination =
        IsDirectory(target) ? target + "\\" + LastComponent(entry.path) : target;
    return CopyEntryTree(Normalise(source), destination) ? 0 : 1;
}

// --- Single files ---------------------------------------------------------------------

bool FakeEnv::CopyFileTo(const std::string& from, const std::string& to, bool failIfExists) {
    log_.push_back("copyfile " + from + " -> " + to);
    if (ShouldFail(Call::kCopyFile)) {
        return false;
    }
    const std::string fromKey = Normalise(from);
    const std::string toKey = Normalise(to);
    const auto source = entries_.find(fromKey);
    if (source == entries_.end() || source->second.directory || IsBusy(fromKey) ||
        !ParentExists(toKey) || IsBusy(toKey) || IsDirectory(to) || (failIfExists && Exists(to))) {
        return false;
    }
    if (Exists(to) && entries_.at(toKey).readOnly) {
        return false;
    }
    const std::string content = source->second.content;
    AddFile(to, content);
    return true;
}

bool FakeEnv::DeleteFileAt(const std::string& path) {
    log_.push_back("deletefile " + path);
    const std::string key = Normalise(path);
    const auto found = entries_.find(key);
    if (ShouldFail(Call::kDeleteFile) || found == entries_.end() || found->second.directory ||
        found->second.readOnly || IsBusy(key)) {
        return false;
    }
    entries_.erase(found);
    return true;
}

bool FakeEnv::MoveFileOver(const std::string& from, const std::string& to) {
    log_.push_back("move " + from + " -> " + to);
    const std::string fromKey = Normalise(from);
    const std::string toKey = Normalise(to);
    const auto source = entries_.find(fromKey);
    if (ShouldFail(Call::kMoveFile) || source == entries_.end() || source->second.directory ||
        IsBusy(fromKey) || IsBusy(toKey) || !ParentExists(toKey) || IsDirectory(to)) {
        return false;
    }
    const auto target = entries_.find(toKey);
    if (target != entries_.end() && target->second.readOnly) {
        return false;
    }
    Entry moved = source->second;
    moved.path = target != entries_.end() ? target->second.path : Resolved(to);
    entries_.erase(fromKey);
    entries_[toKey] = moved;
    return true;
}

// --- Open files -----------------------------------------------------------------------

EntryKind FakeEnv::InspectBelow(const std::string& root, const std::string& path) {
    const std::string rootKey = Normalise(root);
    const std::string key = Normalise(path);
    if (ShouldFail(Call::kInspect)) {
        return EntryKind::kLink;
    }
    if (key == rootKey) {
        return IsDirectory(path) ? EntryKind::kFolder : EntryKind::kMissing;
    }
    if (!rootKey.empty() && !IsBelow(key, rootKey)) {
        return EntryKind::kLink;
    }
    // Every entry from the one below the root down to the path itself.
    for (std::size_t end = rootKey.empty() ? 0 : rootKey.size() + 1;;) {
        end = key.find('\\', end);
        const auto found = entries_.find(key.substr(0, end));
        if (found == entries_.end()) {
            return EntryKind::kMissing;
        }
        if (found->second.link) {
            return EntryKind::kLink;
        }
        if (end == std::string::npos) {
            return found->second.directory ? EntryKind::kFolder : EntryKind::kFile;
        }
        ++end;
    }
}

bool FakeEnv::OpenForReadWrite(const std::string& root, const std::string& path, Handle* file) {
    log_.push_back("open " + path);
    const std::string key = Normalise(path);
    const auto found = entries_.find(key);
    if (ShouldFail(Call::kOpenFile) || found == entries_.end() || found->second.directory ||
        found->second.readOnly || IsBusy(key) || InspectBelow(root, path) != EntryKind::kFile) {
        return false;
    }
    *file = nextHandle_++;
    openFiles_[*file] = OpenFile{key, 0};
    return true;
}

bool FakeEnv::CreateNewForReadWrite(const std::string& root, const std::string& path,
                                    Handle* file) {
    log_.push_back("create " + path);
    const std::string key = Normalise(path);
    const std::size_t slash = key.rfind('\\');
    if (ShouldFail(Call::kCreateFile) || !ParentExists(key) ||
        (slash != std::string::npos &&
         InspectBelow(root, key.substr(0, slash)) != EntryKind::kFolder)) {
        return false;
    }
    // What is at the name goes: a link itself, an empty folder, a file.
    const auto found = entries_.find(key);
    if (found != entries_.end()) {
        const Entry& occupant = found->second;
        if (IsBusy(key) || (!occupant.link && (occupant.readOnly || HasChildren(key)))) {
            return false;
        }
        entries_.erase(found);
    }
    Entry& entry = entries_[key];
    entry.path = Resolved(path);
    *file = nextHandle_++;
    openFiles_[*file] = OpenFile{key, 0};
    return true;
}

FakeEnv::OpenFile* FakeEnv::Find(Handle file) {
    const auto found = openFiles_.find(file);
    return found == openFiles_.end() ? nullptr : &found->second;
}

bool FakeEnv::Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t* done) {
    *done = 0;
    OpenFile* open = Find(file);
    if (ShouldFail(Call::kRead) || open == nullptr) {
        return false;
    }
    const std::string& content = entries_.at(open->key).content;
    if (open->position < content.size()) {
        const std::size_t count =
            std::min<std::size_t>(size, content.size() - static_cast<std::size_t>(open->position));
        std::memcpy(buffer, content.data() + open->position, count);
        open->position += count;
        *done = static_cast<std::uint32_t>(count);
    }
    return true;
}

bool FakeEnv::Write(Handle file, const void* data, std::uint32_t size) {
    OpenFile* open = Find(file);
    if (ShouldFail(Call::kWrite) || open == nullptr) {
        return false;
    }
    std::string& content = entries_.at(open->key).content;
    const std::size_t position = static_cast<std::size_t>(open->position);
    if (content.size() < position + size) {
        content.resize(position + size);
    }
    std::memcpy(&content[position], data, size);
    open->position += size;
    return true;
}

bool FakeEnv::SeekTo(Handle file, std::uint64_t offset) {
    OpenFile* open = Find(file);
    if (ShouldFail(Call::kSeek) || open == nullptr) {
        return false;
    }
    open->position = offset;
    return true;
}

bool FakeEnv::SeekToEnd(Handle file) {
    OpenFile* open = Find(file);
    if (ShouldFail(Call::kSeek) || open == nullptr) {
        return false;
    }
    open->position = entries_.at(open->key).content.size();
    return true;
}

bool FakeEnv::TruncateAtPosition(Handle file) {
    OpenFile* open = Find(file);
    if (ShouldFail(Call::kTruncate) || open == nullptr) {
        return false;
    }
    entries_.at(open->key).content.resize(static_cast<std::size_t>(open->position));
    return true;
}

bool FakeEnv::Flush(Handle file) {
    return !ShouldFail(Call::kFlush) && Find(file) != nullptr;
}

void FakeEnv::CloseFile(Handle file) {
    openFiles_.erase(file);
}

}  // namespace orvane

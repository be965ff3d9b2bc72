#include "tests/native/FakeEnv.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/DeviceNames.h"

namespace orvane {
namespace {

// The codes of the failures this file system gives of itself.
constexpr long kFakeFailure = 1;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorFileExists = 80;
constexpr long kErrorInvalidName = 123;

Status NotFound() {
    return Status::Failure(kNotFound, "nothing is there");
}

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

void FakeEnv::SetInexactValue(const std::string& subKey, const std::string& name) {
    SetValue(subKey, name, "?");
    inexactValues_.insert(Lower(subKey) + "\\" + Lower(name));
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
    entry.durable = content;
}

void FakeEnv::Remove(const std::string& path) {
    const std::string key = Normalise(path);
    for (auto it = entries_.begin(); it != entries_.end();) {
        it = it->first == key || IsBelow(it->first, key) ? entries_.erase(it) : std::next(it);
    }
}

void FakeEnv::SetReadOnly(const std::string& path, bool readOnly) {
    entries_.at(Normalise(path)).readOnly = readOnly;
}

void FakeEnv::HoldOpen(const std::string& path, int pauses, bool sharingDelete) {
    heldOpen_[Normalise(path)] = Hold{pauses, sharingDelete, false};
}

void FakeEnv::Pause(unsigned milliseconds) {
    paused_ += milliseconds;
    for (auto hold = heldOpen_.begin(); hold != heldOpen_.end();) {
        if (hold->second.pauses < 0 || --hold->second.pauses > 0) {
            ++hold;
            continue;
        }
        if (hold->second.deleted) {
            entries_.erase(hold->first);
        }
        hold = heldOpen_.erase(hold);
    }
}

void FakeEnv::AddLink(const std::string& path, bool toFolder) {
    if (toFolder) {
        AddDirectory(path);
    } else {
        AddFile(path, "what the link leads to");
    }
    entries_.at(Normalise(path)).link = true;
}

void FakeEnv::MarkInexact(const std::string& path) {
    entries_.at(Normalise(path)).inexact = true;
}

void FakeEnv::FailCall(Call call, int nth, const std::string& reason) {
    failReasons_[call] = reason;
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

bool FakeEnv::ShouldFail(Call call, Status* failure) {
    const int count = ++calls_[call];
    const bool changes = call == Call::kCreate || call == Call::kDelete || call == Call::kRename ||
                         call == Call::kWrite || call == Call::kWriteValue;
    if (changes && ++changes_ == killAt_) {
        throw Killed();
    }
    if (failAlways_.count(call) == 0 && failAt_[call].count(count) == 0) {
        return false;
    }
    *failure = Status::Failure(kFakeFailure, failReasons_[call]);
    return true;
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
    const auto held = heldOpen_.find(key);
    if (held != heldOpen_.end() && !held->second.sharingDelete) {
        return true;
    }
    return std::any_of(openFiles_.begin(), openFiles_.end(), [&](const auto& open) {
        return open.second.key == key && open.second.exclusive;
    });
}

bool FakeEnv::HasChildren(const std::string& key) const {
    const auto next = entries_.lower_bound(key + "\\");
    return next != entries_.end() && IsBelow(next->first, key);
}

// --- Registry ----------------------------------------------------------------------

Status FakeEnv::OpenKeyId(const std::string& subKey, HandleId* key) {
    Status failure;
    if (ShouldFail(Call::kOpenKey, &failure)) {
        return failure;
    }
    if (registry_.count(Lower(subKey)) == 0) {
        return NotFound();
    }
    *key = nextHandle_++;
    openKeys_[*key] = Lower(subKey);
    return Status();
}

Status FakeEnv::ReadValue(HandleId key, const std::string& name, std::string* value) {
    const auto& values = registry_.at(openKeys_.at(key));
    const auto found = values.find(Lower(name));
    Status failure;
    if (ShouldFail(Call::kQueryValue, &failure)) {
        return failure;
    }
    if (found == values.end()) {
        return NotFound();
    }
    if (inexactValues_.count(openKeys_.at(key) + "\\" + Lower(name)) != 0) {
        return Status::Failure(kInexactText, "the code page cannot hold it exactly");
    }
    *value = found->second;
    return Status();
}

Status FakeEnv::WriteValue(const std::string& subKey, const std::string& name,
                           const std::string& value) {
    Status failure;
    if (ShouldFail(Call::kWriteValue, &failure)) {
        return failure;
    }
    const std::string key = Lower(subKey);
    if (!value.empty()) {
        // Read back as Windows gives a string value: with its closing zero.
        registry_[key][Lower(name)] = value + '\0';
    } else if (registry_.count(key) != 0) {
        registry_[key].erase(Lower(name));
        if (registry_[key].empty()) {
            registry_.erase(key);  // as Windows, a key with nothing left goes
        }
    }
    log_.push_back("value " + subKey + "\\" + name + " = " + value);
    return Status();
}

Status FakeEnv::TakeTurn() {
    Status failure;
    if (ShouldFail(Call::kTakeTurn, &failure)) {
        return failure;
    }
    holdsTurn_ = true;
    return Status();
}

void FakeEnv::CloseId(HandleId handle) {
    if (openKeys_.erase(handle) == 0 && openFiles_.erase(handle) == 0) {
        throw std::logic_error("a handle closed twice or never opened");
    }
}

// --- Folders and entries through handles ------------------------------------------

namespace {

Status CheckEntryName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("\\/:") != std::string::npos || IsDeviceName(name)) {
        return Status::Failure(kErrorInvalidName, "not a name of one entry");
    }
    return Status();
}

}  // namespace

HandleId FakeEnv::Keep(const std::string& key, const std::string& path, bool exclusive) {
    const HandleId handle = nextHandle_++;
    openFiles_[handle] = OpenFile{key, path, exclusive, 0};
    return handle;
}

Status FakeEnv::OpenFolderId(const std::string& path, HandleId* folder) {
    Status failure;
    if (ShouldFail(Call::kOpenFolder, &failure)) {
        return failure;
    }
    const std::string key = Normalise(path);
    if (!key.empty() && !Exists(path)) {
        return NotFound();
    }
    if (!key.empty() && !IsDirectory(path)) {
        return Status::Failure(kNotAFolder, "not a folder");
    }
    *folder = Keep(key, Resolved(path), false);
    return Status();
}

Status FakeEnv::OpenChildId(HandleId folder, const std::string& name, Access access,
                            EntryKind* kind, HandleId* child) {
    const OpenFile* parent = Find(folder);
    Status status = CheckEntryName(name);
    if (!status.ok()) {
        return status;
    }
    const std::string key = (parent->key.empty() ? "" : parent->key + "\\") + Lower(name);
    const std::string path = (parent->path.empty() ? "" : parent->path + "\\") + name;
    if (access == Access::kReadWrite) {
        log_.push_back("open " + path);
    }
    if (ShouldFail(Call::kOpenChild, &status)) {
        return status;
    }
    const auto found = entries_.find(key);
    const auto held = heldOpen_.find(key);
    if (found == entries_.end() || (held != heldOpen_.end() && held->second.deleted)) {
        *kind = EntryKind::kMissing;  // as good as gone
        return Status();
    }
    const Entry& entry = found->second;
    if (entry.link) {
        *kind = EntryKind::kLink;
        if (access == Access::kRemove) {
            *child = Keep(key, path, false);
        }
        return Status();
    }
    const bool exclusive = access == Access::kReadWrite && !entry.directory;
    if (!entry.directory && access != Access::kLook) {
        const bool opened = std::any_of(openFiles_.begin(), openFiles_.end(),
                                        [&](const auto& open) { return open.second.key == key; });
        if (IsBusy(key) || (exclusive && opened)) {
            return Status::Failure(kInUse, "another program has it open");
        }
        if (exclusive && entry.readOnly) {
            return Status::Failure(kErrorAccessDenied, "it is read-only");
        }
    }
    *kind = entry.directory ? EntryKind::kFolder : EntryKind::kFile;
    *child = Keep(key, path, exclusive);
    return Status();
}

Status FakeEnv::ListFolder(HandleId folder, std::vector<DirectoryEntry>* entries) {
    const OpenFile* open = Find(folder);
    Status failure;
    if (ShouldFail(Call::kListFolder, &failure)) {
        return failure;
    }
    const std::string& key = open->key;
    for (const auto& [below, entry] : entries_) {
        const bool inside = key.empty() ? below.find('\\') == std::string::npos
                                        : IsBelow(below, key) &&
                                              below.find('\\', key.size() + 1) == std::string::npos;
        if (inside) {
            entries->push_back(
                DirectoryEntry{LastComponent(entry.path), AttributesOf(entry), !entry.inexact});
        }
    }
    return Status();
}

Status FakeEnv::CreateChild(HandleId folder, const std::string& name, bool isFolder,
                            HandleId* child) {
    const OpenFile* parent = Find(folder);
    Status status = CheckEntryName(name);
    if (!status.ok()) {
        return status;
    }
    const std::string key = (parent->key.empty() ? "" : parent->key + "\\") + Lower(name);
    const std::string path = (parent->path.empty() ? "" : parent->path + "\\") + name;
    log_.push_back("create " + path);
    if (ShouldFail(Call::kCreate, &status)) {
        return status;
    }
    if (entries_.count(key) != 0) {
        return Status::Failure(kErrorFileExists, "something is at the name already");
    }
    if (!parent->key.empty() && !IsDirectory(parent->key)) {
        return NotFound();
    }
    Entry& entry = entries_[key];
    entry.path = path;
    entry.directory = isFolder;
    *child = Keep(key, path, !isFolder);
    return Status();
}

Status FakeEnv::IdentifyOpened(HandleId entry, std::string* identity) {
    *identity = Find(entry)->key;
    return Status();
}

Status FakeEnv::DeleteOpened(HandleId handle) {
    const OpenFile* open = Find(handle);
    log_.push_back("delete " + open->path);
    Status status;
    if (ShouldFail(Call::kDelete, &status)) {
        return status;
    }
    const auto found = entries_.find(open->key);
    if (found == entries_.end()) {
        return NotFound();
    }
    if (found->second.readOnly) {
        return Status::Failure(kErrorAccessDenied, "it is read-only");
    }
    if (!found->second.link && HasChildren(open->key)) {
        return Status::Failure(kNotEmpty, "the folder is not empty");
    }
    const auto held = heldOpen_.find(open->key);
    if (held != heldOpen_.end() && !held->second.sharingDelete) {
        return Status::Failure(kInUse, "another program has it open");
    }
    if (held != heldOpen_.end()) {
        held->second.deleted = true;  // it goes when that program lets go
        return Status();
    }
    entries_.erase(found);
    return Status();
}

Status FakeEnv::RenameOpened(HandleId entry, HandleId folder, const std::string& name,
                             bool replace) {
    OpenFile* open = Find(entry);
    const OpenFile* parent = Find(folder);
    Status status = CheckEntryName(name);
    if (!status.ok()) {
        return status;
    }
    const std::string from = open->key;
    const std::string key = (parent->key.empty() ? "" : parent->key + "\\") + Lower(name);
    const std::string path = (parent->path.empty() ? "" : parent->path + "\\") + name;
    log_.push_back("rename " + open->path + " -> " + path);
    if (ShouldFail(Call::kRename, &status)) {
        return status;
    }
    const auto source = entries_.find(from);
    const auto target = entries_.find(key);
    // As on Windows, a folder with anything below it open stays where it is.
    const auto openBelow = [&](const std::string& below) { return IsBelow(below, from); };
    const bool busyBelow =
        std::any_of(heldOpen_.begin(), heldOpen_.end(),
                    [&](const auto& held) { return openBelow(held.first); }) ||
        std::any_of(openFiles_.begin(), openFiles_.end(),
                    [&](const auto& other) { return openBelow(other.second.key); });
    if (source == entries_.end()) {
        return NotFound();
    }
    if (busyBelow) {
        return Status::Failure(kErrorAccessDenied, "something in it is open");
    }
    if (IsBelow(key, from)) {
        return Status::Failure(kErrorInvalidName, "a folder cannot go inside itself");
    }
    if (target != entries_.end() && key != from &&
        (!replace || target->second.directory || target->second.readOnly || IsBusy(key))) {
        return Status::Failure(kErrorFileExists, "something is at the name already");
    }
    const std::string oldPath = source->second.path;
    std::map<std::string, Entry> moved;
    for (auto at = entries_.begin(); at != entries_.end();) {
        if (at->first == from || IsBelow(at->first, from)) {
            Entry one = at->second;
            one.path = path + one.path.substr(oldPath.size());
            moved[key + at->first.substr(from.size())] = one;
            at = entries_.erase(at);
        } else {
            ++at;
        }
    }
    for (auto& [movedKey, one] : moved) {
        entries_[movedKey] = one;
    }
    open->key = key;
    open->path = path;
    return Status();
}

FakeEnv::OpenFile* FakeEnv::Find(HandleId file) {
    const auto found = openFiles_.find(file);
    if (found == openFiles_.end()) {
        throw std::logic_error("a handle used that is not open");
    }
    return &found->second;
}

Status FakeEnv::ReadBytes(HandleId file, void* buffer, std::uint32_t size, std::uint32_t* done) {
    OpenFile* open = Find(file);
    Status failure;
    if (ShouldFail(Call::kRead, &failure)) {
        return failure;
    }
    const std::string& content = entries_.at(open->key).content;
    if (open->position < content.size()) {
        const std::size_t count =
            std::min<std::size_t>(size, content.size() - static_cast<std::size_t>(open->position));
        std::memcpy(buffer, content.data() + open->position, count);
        open->position += count;
        *done = static_cast<std::uint32_t>(count);
    }
    return Status();
}

Status FakeEnv::WriteBytes(HandleId file, const void* data, std::uint32_t size) {
    OpenFile* open = Find(file);
    Status failure;
    if (ShouldFail(Call::kWrite, &failure)) {
        return failure;
    }
    std::string& content = entries_.at(open->key).content;
    const std::size_t position = static_cast<std::size_t>(open->position);
    if (content.size() < position + size) {
        content.resize(position + size);
    }
    std::memcpy(&content[position], data, size);
    open->position += size;
    return Status();
}

Status FakeEnv::SeekFile(HandleId file, std::uint64_t offset, bool fromEnd) {
    OpenFile* open = Find(file);
    Status failure;
    if (ShouldFail(Call::kSeek, &failure)) {
        return failure;
    }
    open->position = fromEnd ? entries_.at(open->key).content.size() : offset;
    return Status();
}

Status FakeEnv::TruncateFile(HandleId file) {
    OpenFile* open = Find(file);
    Status failure;
    if (ShouldFail(Call::kTruncate, &failure)) {
        return failure;
    }
    entries_.at(open->key).content.resize(static_cast<std::size_t>(open->position));
    return Status();
}

Status FakeEnv::FlushFiles(const std::vector<HandleId>& files) {
    Status failure;
    if (ShouldFail(Call::kFlush, &failure)) {
        return failure;
    }
    for (const HandleId file : files) {
        const OpenFile* open = Find(file);
        Entry& entry = entries_.at(open->key);
        entry.durable = entry.content;
        log_.push_back("durable " + open->path);
    }
    return Status();
}

void FakeEnv::CutPower() {
    for (auto& [key, entry] : entries_) {
        entry.content = entry.durable;
    }
}

}  // namespace orvane

#include "platform/Env.h"

#include <type_traits>
#include <utility>

namespace orvane {

Status Status::Failure(long code, std::string reason) {
    Status status;
    status.failed_ = true;
    status.code_ = code;
    status.reason_ = reason.empty() ? "the system gave no reason" : std::move(reason);
    return status;
}

bool Status::IsNotFound() const {
    return failed_ && (code_ == kNotFound || code_ == kPathNotFound);
}

bool Status::IsNotAFolder() const {
    return failed_ && code_ == kNotAFolder;
}

bool Status::IsInexact() const {
    return failed_ && code_ == kInexactText;
}

bool Status::IsInUse() const {
    return failed_ && code_ == kInUse;
}

bool Status::IsNotEmpty() const {
    return failed_ && code_ == kNotEmpty;
}

Held::Held(Held&& other) noexcept : env_(other.env_), id_(other.id_) {
    other.env_ = nullptr;
    other.id_ = 0;
}

Held& Held::operator=(Held&& other) noexcept {
    if (this != &other) {
        Close();
        std::swap(env_, other.env_);
        std::swap(id_, other.id_);
    }
    return *this;
}

void Held::Close() {
    if (env_ != nullptr) {
        env_->CloseId(id_);
        env_ = nullptr;
        id_ = 0;
    }
}

Status Held::NotOpen() {
    return Status::Failure(0, "nothing is open there");
}

Status Key::Read(const std::string& name, std::string* value) const {
    return IsOpen() ? env_->ReadValue(id_, name, value) : NotOpen();
}

Status Entry::Delete() const {
    return IsOpen() ? env_->DeleteOpened(id_) : NotOpen();
}

Status Entry::MoveTo(const Folder& folder, const std::string& name, bool replace) const {
    return IsOpen() && folder.IsOpen() ? env_->RenameOpened(id_, folder.id_, name, replace)
                                       : NotOpen();
}

Status Entry::Identity(std::string* identity) const {
    identity->clear();
    return IsOpen() ? env_->IdentifyOpened(id_, identity) : NotOpen();
}

Status File::Read(void* buffer, std::uint32_t size, std::uint32_t* done) const {
    *done = 0;
    return IsOpen() ? env_->ReadBytes(id_, buffer, size, done) : NotOpen();
}

Status File::Write(const void* data, std::uint32_t size) const {
    return IsOpen() ? env_->WriteBytes(id_, data, size) : NotOpen();
}

Status File::SeekTo(std::uint64_t offset) const {
    return IsOpen() ? env_->SeekFile(id_, offset, false) : NotOpen();
}

Status File::SeekToEnd() const {
    return IsOpen() ? env_->SeekFile(id_, 0, true) : NotOpen();
}

Status File::Truncate() const {
    return IsOpen() ? env_->TruncateFile(id_) : NotOpen();
}

Status Folder::OpenChild(const std::string& name, Access access, Child* child) const {
    *child = Child();
    if (!IsOpen()) {
        return NotOpen();
    }
    HandleId id = 0;
    const Status status = env_->OpenChildId(id_, name, access, &child->kind, &id);
    if (!status.ok() || id == 0) {
        return status;
    }
    switch (child->kind) {
        case EntryKind::kFile:
            child->file = File(env_, id);
            break;
        case EntryKind::kFolder:
            child->folder = Folder(env_, id);
            break;
        case EntryKind::kLink:
        case EntryKind::kMissing:
            child->link = Entry(env_, id);
            break;
    }
    return status;
}

Status Folder::List(std::vector<DirectoryEntry>* entries) const {
    entries->clear();
    return IsOpen() ? env_->ListFolder(id_, entries) : NotOpen();
}

template <typename Made>
Status Folder::Create(const std::string& name, Made* made) const {
    made->Close();
    HandleId id = 0;
    const bool isFolder = std::is_same<Made, Folder>::value;
    const Status status = IsOpen() ? env_->CreateChild(id_, name, isFolder, &id) : NotOpen();
    if (status.ok()) {
        *made = Made(env_, id);
    }
    return status;
}

Status Folder::NewFolder(const std::string& name, Folder* folder) const {
    return Create(name, folder);
}

Status Folder::NewFile(const std::string& name, File* file) const {
    return Create(name, file);
}

const Entry& Child::entry() const {
    if (file.IsOpen()) {
        return file;
    }
    if (folder.IsOpen()) {
        return folder;
    }
    return link;
}

Status Env::OpenKey(const std::string& subKey, Key* key) {
    key->Close();
    HandleId id = 0;
    const Status status = OpenKeyId(subKey, &id);
    if (status.ok()) {
        *key = Key(this, id);
    }
    return status;
}

Status Env::MakeDurable(const std::vector<File>& files) {
    std::vector<HandleId> ids;
    ids.reserve(files.size());
    for (const File& file : files) {
        if (!file.IsOpen() || file.env_ != this) {
            return File::NotOpen();
        }
        ids.push_back(file.id_);
    }
    return ids.empty() ? Status() : FlushFiles(ids);
}

Status Env::OpenFolder(const std::string& path, Folder* folder) {
    folder->Close();
    HandleId id = 0;
    const Status status = OpenFolderId(path, &id);
    if (status.ok()) {
        *folder = Folder(this, id);
    }
    return status;
}

}  // namespace orvane

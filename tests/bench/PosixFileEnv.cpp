#include "tests/bench/PosixFileEnv.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

// Handles are file descriptors plus one, so that 0 stays "no handle".
int Fd(HandleId file) {
    return static_cast<int>(file) - 1;
}

Status Errno() {
    return Status::Failure(errno, std::strerror(errno));
}

Status Checked(bool succeeded) {
    return succeeded ? Status() : Errno();
}

}  // namespace

Status PosixFileEnv::OpenFolderId(const std::string& path, HandleId* folder) {
    const int fd = ::open(path == ".\\" ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Errno();
    }
    *folder = static_cast<HandleId>(fd) + 1;
    return Status();
}

Status PosixFileEnv::OpenChildId(HandleId folder, const std::string& name, Access access,
                                 EntryKind* kind, HandleId* child) {
    struct stat info;
    if (::fstatat(Fd(folder), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        *kind = EntryKind::kMissing;
        return errno == ENOENT ? Status() : Errno();
    }
    if (S_ISLNK(info.st_mode) || (S_ISREG(info.st_mode) && info.st_nlink != 1)) {
        *kind = EntryKind::kLink;
        return Status();
    }
    const int flags = S_ISDIR(info.st_mode)          ? O_RDONLY | O_DIRECTORY
                      : access == Access::kReadWrite ? O_RDWR
                                                     : O_RDONLY;
    const int fd = ::openat(Fd(folder), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return Errno();
    }
    *child = static_cast<HandleId>(fd) + 1;
    origins_[*child] = Origin{Fd(folder), name};
    *kind = S_ISDIR(info.st_mode) ? EntryKind::kFolder : EntryKind::kFile;
    return Status();
}

Status PosixFileEnv::CreateChild(HandleId folder, const std::string& name, bool isFolder,
                                 HandleId* child) {
    if (isFolder) {
        return Unsupported();
    }
    const int fd = ::openat(Fd(folder), name.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Errno();
    }
    *child = static_cast<HandleId>(fd) + 1;
    origins_[*child] = Origin{Fd(folder), name};
    return Status();
}

Status PosixFileEnv::DeleteOpened(HandleId entry) {
    const Origin& origin = origins_.at(entry);
    return Checked(::unlinkat(origin.folder, origin.name.c_str(), 0) == 0);
}

Status PosixFileEnv::RenameOpened(HandleId entry, HandleId folder, const std::string& name, bool) {
    Origin& origin = origins_.at(entry);
    if (::renameat(origin.folder, origin.name.c_str(), Fd(folder), name.c_str()) != 0) {
        return Errno();
    }
    origin = Origin{Fd(folder), name};
    return Status();
}

Status PosixFileEnv::ReadBytes(HandleId file, void* buffer, std::uint32_t size,
                               std::uint32_t* done) {
    const ssize_t got = ::read(Fd(file), buffer, size);
    *done = got > 0 ? static_cast<std::uint32_t>(got) : 0;
    return Checked(got >= 0);
}

Status PosixFileEnv::WriteBytes(HandleId file, const void* data, std::uint32_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(Fd(file), bytes, size);
        if (put <= 0) {
            return Errno();
        }
        bytes += put;
        size -= static_cast<std::uint32_t>(put);
    }
    return Status();
}

Status PosixFileEnv::SeekFile(HandleId file, std::uint64_t offset, bool fromEnd) {
    return Checked(::lseek(Fd(file), fromEnd ? 0 : static_cast<off_t>(offset),
                           fromEnd ? SEEK_END : SEEK_SET) >= 0);
}

Status PosixFileEnv::TruncateFile(HandleId file) {
    const off_t position = ::lseek(Fd(file), 0, SEEK_CUR);
    return Checked(position >= 0 && ::ftruncate(Fd(file), position) == 0);
}

Status PosixFileEnv::FlushFiles(const std::vector<HandleId>& files) {
    for (const HandleId file : files) {
        if (::fsync(Fd(file)) != 0) {
            return Checked(false);
        }
    }
    return Status();
}

void PosixFileEnv::CloseId(HandleId handle) {
    origins_.erase(handle);
    ::close(Fd(handle));
}

}  // namespace orvane

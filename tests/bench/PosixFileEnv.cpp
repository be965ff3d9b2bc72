#include "tests/bench/PosixFileEnv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

// Handles are file descriptors plus one, so that 0 stays "no handle".
int Fd(Handle file) {
    return static_cast<int>(file) - 1;
}

bool Open(const std::string& path, int flags, Handle* file) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    *file = static_cast<Handle>(fd) + 1;
    return true;
}

}  // namespace

bool PosixFileEnv::FindFirst(const std::string& path, Handle* search, std::uint32_t* attributes) {
    struct stat info;
    if (path.empty() || path.back() == '/' || ::stat(path.c_str(), &info) != 0) {
        return false;
    }
    *search = 1;
    *attributes = S_ISDIR(info.st_mode) ? kAttributeDirectory : 0x20;
    return true;
}

bool PosixFileEnv::OpenFolder(const std::string& path, bool, Handle* folder) {
    return Open(path == ".\\" ? "." : path, O_RDONLY | O_DIRECTORY, folder);
}

EntryKind PosixFileEnv::OpenChild(Handle folder, const std::string& name, Access access,
                                  Handle* child) {
    struct stat info;
    if (::fstatat(Fd(folder), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return EntryKind::kMissing;
    }
    if (S_ISLNK(info.st_mode) || (S_ISREG(info.st_mode) && info.st_nlink != 1)) {
        return EntryKind::kLink;
    }
    const int flags = S_ISDIR(info.st_mode)          ? O_RDONLY | O_DIRECTORY
                      : access == Access::kReadWrite ? O_RDWR
                                                     : O_RDONLY;
    const int fd = ::openat(Fd(folder), name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return EntryKind::kLink;
    }
    *child = static_cast<Handle>(fd) + 1;
    origins_[*child] = Origin{Fd(folder), name};
    return S_ISDIR(info.st_mode) ? EntryKind::kFolder : EntryKind::kFile;
}

bool PosixFileEnv::CreateChild(Handle folder, const std::string& name, bool isFolder,
                               Handle* child) {
    if (isFolder) {
        return false;
    }
    const int fd = ::openat(Fd(folder), name.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    *child = static_cast<Handle>(fd) + 1;
    origins_[*child] = Origin{Fd(folder), name};
    return true;
}

bool PosixFileEnv::DeleteOpened(Handle entry) {
    const Origin& origin = origins_.at(entry);
    return ::unlinkat(origin.folder, origin.name.c_str(), 0) == 0;
}

bool PosixFileEnv::RenameOpened(Handle file, Handle folder, const std::string& name, bool) {
    Origin& origin = origins_.at(file);
    if (::renameat(origin.folder, origin.name.c_str(), Fd(folder), name.c_str()) != 0) {
        return false;
    }
    origin = Origin{Fd(folder), name};
    return true;
}

bool PosixFileEnv::Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t* done) {
    const ssize_t got = ::read(Fd(file), buffer, size);
    *done = got > 0 ? static_cast<std::uint32_t>(got) : 0;
    return got >= 0;
}

bool PosixFileEnv::Write(Handle file, const void* data, std::uint32_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = ::write(Fd(file), bytes, size);
        if (put <= 0) {
            return false;
        }
        bytes += put;
        size -= static_cast<std::uint32_t>(put);
    }
    return true;
}

bool PosixFileEnv::SeekTo(Handle file, std::uint64_t offset) {
    return ::lseek(Fd(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool PosixFileEnv::SeekToEnd(Handle file) {
    return ::lseek(Fd(file), 0, SEEK_END) >= 0;
}

bool PosixFileEnv::TruncateAtPosition(Handle file) {
    const off_t position = ::lseek(Fd(file), 0, SEEK_CUR);
    return position >= 0 && ::ftruncate(Fd(file), position) == 0;
}

bool PosixFileEnv::Flush(Handle file) {
    return ::fsync(Fd(file)) == 0;
}

void PosixFileEnv::CloseFile(Handle file) {
    origins_.erase(file);
    ::close(Fd(file));
}

}  // namespace orvane

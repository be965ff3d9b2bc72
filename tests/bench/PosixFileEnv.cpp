#include "tests/bench/PosixFileEnv.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

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

bool PosixFileEnv::DeleteFileAt(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool PosixFileEnv::MoveFileOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

EntryKind PosixFileEnv::InspectBelow(const std::string&, const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
        return EntryKind::kMissing;
    }
    if (S_ISLNK(info.st_mode) || (S_ISREG(info.st_mode) && info.st_nlink != 1)) {
        return EntryKind::kLink;
    }
    return S_ISDIR(info.st_mode) ? EntryKind::kFolder : EntryKind::kFile;
}

bool PosixFileEnv::OpenForReadWrite(const std::string& root, const std::string& path,
                                    Handle* file) {
    return InspectBelow(root, path) == EntryKind::kFile && Open(path, O_RDWR | O_NOFOLLOW, file);
}

bool PosixFileEnv::CreateNewForReadWrite(const std::string&, const std::string& path,
                                         Handle* file) {
    ::unlink(path.c_str());
    return Open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, file);
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
    ::close(Fd(file));
}

}  // namespace orvane

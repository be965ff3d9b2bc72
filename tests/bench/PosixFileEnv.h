#pragma once

// An Env over POSIX files, for measuring the rewriter on real files of any
// size on Linux. It offers the open-file, single-file and existence
// operations; it has no registry, no shell and no folder listing, whose
// calls fail.

#include "platform/Env.h"

namespace orvane {

class PosixFileEnv final : public Env {
  public:
    long OpenKey(const std::string&, Handle*) override { return 2; }
    long QueryValue(Handle, const std::string&, unsigned char*, std::uint32_t*) override {
        return 2;
    }
    void CloseKey(Handle) override {}
    bool FindFirst(const std::string& path, Handle* search, std::uint32_t* attributes) override;
    void CloseFind(Handle) override {}
    bool ListDirectory(const std::string&, std::vector<DirectoryEntry>*) override { return false; }
    int FileOperation(FileOp, const char*, const char*, unsigned, bool*) override { return 1; }
    bool CopyFileTo(const std::string&, const std::string&, bool) override { return false; }
    bool DeleteFileAt(const std::string& path) override;
    bool MoveFileOver(const std::string& from, const std::string& to) override;
    // Only the entry itself is looked at: a link there is never followed.
    EntryKind InspectBelow(const std::string& root, const std::string& path) override;
    bool OpenForReadWrite(const std::string& root, const std::string& path, Handle* file) override;
    bool CreateNewForReadWrite(const std::string& root, const std::string& path,
                               Handle* file) override;
    bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t* done) override;
    bool Write(Handle file, const void* data, std::uint32_t size) override;
    bool SeekTo(Handle file, std::uint64_t offset) override;
    bool SeekToEnd(Handle file) override;
    bool TruncateAtPosition(Handle file) override;
    bool Flush(Handle file) override;
    void CloseFile(Handle file) override;
    bool IsInteractive() override { return false; }
};

}  // namespace orvane

#pragma once

// An Env over POSIX files, for measuring the rewriter on real files of any
// size on Linux. It offers the open-file, single-file and existence
// operations; it has no registry, no shell and no folder listing, whose
// calls fail.

#include <map>

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
    bool OpenFolder(const std::string& path, bool create, Handle* folder) override;
    EntryKind OpenChild(Handle folder, const std::string& name, Access access,
                        Handle* child) override;
    bool ListFolder(Handle, std::vector<DirectoryEntry>*) override { return false; }
    bool CreateChild(Handle folder, const std::string& name, bool isFolder, Handle* child) override;
    bool DeleteOpened(Handle entry) override;
    bool RenameOpened(Handle file, Handle folder, const std::string& name, bool replace) override;
    bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t* done) override;
    bool Write(Handle file, const void* data, std::uint32_t size) override;
    bool SeekTo(Handle file, std::uint64_t offset) override;
    bool SeekToEnd(Handle file) override;
    bool TruncateAtPosition(Handle file) override;
    bool Flush(Handle file) override;
    void CloseFile(Handle file) override;
    std::string LastFailure() override { return "failed"; }
    std::string StartLog() override { return std::string(); }
    void Log(const std::string&) override {}
    void Tell(const std::string&) override {}
    bool IsInteractive() override { return false; }
    bool TakeTurn() override { return true; }

  private:
    // Where each open handle came from, for deleting and renaming by name.
    struct Origin {
        int folder;
        std::string name;
    };
    std::map<Handle, Origin> origins_;
};

}  // namespace orvane

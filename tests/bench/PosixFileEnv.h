#pragma once

// An Env over POSIX files, for measuring the rewriter on real files of any
// size on Linux. It offers folders by path, their entries and open files;
// it has no registry and no folder listing, whose calls fail.

#include <map>

#include "platform/Env.h"

namespace orvane {

class PosixFileEnv final : public Env {
  public:
    void Pause(unsigned) override {}
    Status TakeTurn() override { return Status(); }
    void GiveTurnBack() override {}
    Status WriteValue(const std::string&, const std::string&, const std::string&) override {
        return Unsupported();
    }
    void FinishTelling() override {}
    std::string StartLog() override { return std::string(); }
    void Log(const std::string&) override {}
    void Tell(const std::string&) override {}
    bool IsInteractive() override { return false; }

  protected:
    Status OpenKeyId(const std::string&, HandleId*) override { return Unsupported(); }
    Status ReadValue(HandleId, const std::string&, std::string*) override { return Unsupported(); }
    Status OpenFolderId(const std::string& path, HandleId* folder) override;
    Status OpenChildId(HandleId folder, const std::string& name, Access access, EntryKind* kind,
                       HandleId* child) override;
    Status ListFolder(HandleId, std::vector<DirectoryEntry>*) override { return Unsupported(); }
    Status IdentifyOpened(HandleId, std::string*) override { return Unsupported(); }
    Status CreateChild(HandleId folder, const std::string& name, bool isFolder,
                       HandleId* child) override;
    Status DeleteOpened(HandleId entry) override;
    Status RenameOpened(HandleId entry, HandleId folder, const std::string& name,
                        bool replace) override;
    Status ReadBytes(HandleId file, void* buffer, std::uint32_t size, std::uint32_t* done) override;
    Status WriteBytes(HandleId file, const void* data, std::uint32_t size) override;
    Status SeekFile(HandleId file, std::uint64_t offset, bool fromEnd) override;
    Status TruncateFile(HandleId file) override;
    Status FlushFiles(const std::vector<HandleId>& files) override;
    void CloseId(HandleId handle) override;

  private:
    static Status Unsupported() { return Status::Failure(0, "not offered by this Env"); }

    // Where each open handle came from, for deleting and renaming by name.
    struct Origin {
        int folder;
        std::string name;
    };
    std::map<HandleId, Origin> origins_;
};

}  // namespace orvane

#pragma once

#include <memory>
#include <vector>

#include "platform/Env.h"

namespace orvane {

class TrustedFolder;

// The product's Env: the real Windows registry, file system and shell.
class WinEnv final : public Env {
  public:
    WinEnv();
    ~WinEnv() override;
    WinEnv(const WinEnv&) = delete;
    WinEnv& operator=(const WinEnv&) = delete;

    long OpenKey(const std::string& subKey, Handle* key) override;
    long QueryValue(Handle key, const std::string& name, unsigned char* data,
                    std::uint32_t* size) override;
    void CloseKey(Handle key) override;
    bool FindFirst(const std::string& path, Handle* search, std::uint32_t* attributes) override;
    void CloseFind(Handle search) override;
    bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>* entries) override;
    int FileOperation(FileOp op, const char* from, const char* to, unsigned flags,
                      bool* aborted) override;
    bool CopyFileTo(const std::string& from, const std::string& to, bool failIfExists) override;
    bool DeleteFileAt(const std::string& path) override;
    bool MoveFileOver(const std::string& from, const std::string& to) override;
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
    bool IsInteractive() override;

  private:
    const TrustedFolder& FolderFor(const std::string& root);

    std::vector<std::unique_ptr<TrustedFolder>> folders_;
};

}  // namespace orvane

#pragma once

#include <map>
#include <string>

#include "platform/Env.h"

namespace orvane {

// The product's Env: the real Windows registry and file system.
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
    bool OpenFolder(const std::string& path, bool create, Handle* folder) override;
    EntryKind OpenChild(Handle folder, const std::string& name, Access access,
                        Handle* child) override;
    bool ListFolder(Handle folder, std::vector<DirectoryEntry>* entries) override;
    bool CreateChild(Handle folder, const std::string& name, bool isFolder, Handle* child) override;
    bool DeleteOpened(Handle entry) override;
    bool RenameOpened(Handle entry, Handle folder, const std::string& name, bool replace) override;
    bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t* done) override;
    bool Write(Handle file, const void* data, std::uint32_t size) override;
    bool SeekTo(Handle file, std::uint64_t offset) override;
    bool SeekToEnd(Handle file) override;
    bool TruncateAtPosition(Handle file) override;
    bool Flush(Handle file) override;
    void CloseFile(Handle file) override;
    std::string LastFailure() override;
    std::string StartLog() override;
    void Log(const std::string& line) override;
    void Tell(const std::string& line) override;
    bool IsInteractive() override;
    bool TakeTurn() override;

  private:
    static EntryKind Decide(void* entry, const std::wstring& real);
    std::wstring RealPathIn(Handle folder, const std::wstring& name) const;
    Handle Keep(void* handle, EntryKind kind);

    // The real path of each folder handle open, where the system can tell
    // it: an entry opened from that handle must have its own name there.
    std::map<Handle, std::wstring> realPaths_;
    // The machine-wide mutex whose ownership is this run's turn, once taken.
    void* turn_ = nullptr;
    // This run's log file, once made.
    void* log_ = nullptr;
};

}  // namespace orvane

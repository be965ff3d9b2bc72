#pragma once

#include <map>
#include <string>

#include "platform/Env.h"
#include "platform/TellText.h"

namespace orvane {

// A handle of the system's, closed when it goes or is given another.
class SystemHandle {
  public:
    SystemHandle() = default;
    ~SystemHandle();
    SystemHandle(const SystemHandle&) = delete;
    SystemHandle& operator=(const SystemHandle&) = delete;

    void* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(void* handle = nullptr);

  private:
    void* handle_ = nullptr;
};

// This run's turn: the machine-wide mutex it owns, released and closed
// when it goes or is given another.
class Turn {
  public:
    Turn() = default;
    ~Turn();
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

    explicit operator bool() const { return static_cast<bool>(mutex_); }
    void Reset(void* mutex = nullptr);

  private:
    SystemHandle mutex_;
};

// The product's Env: the real Windows registry and file system.
class WinEnv final : public Env {
  public:
    WinEnv();
    ~WinEnv() override;
    WinEnv(const WinEnv&) = delete;
    WinEnv& operator=(const WinEnv&) = delete;

    Status WriteValue(const std::string& subKey, const std::string& name,
                      const std::string& value) override;
    void Pause(unsigned milliseconds) override;
    Status TakeTurn() override;
    void GiveTurnBack() override;
    std::string StartLog() override;
    void Log(const std::string& line) override;
    void Tell(const std::string& line) override;
    void FinishTelling() override;
    bool IsInteractive() override;

  protected:
    Status OpenKeyId(const std::string& subKey, HandleId* key) override;
    Status ReadValue(HandleId key, const std::string& name, std::string* value) override;
    Status OpenFolderId(const std::string& path, HandleId* folder) override;
    Status OpenChildId(HandleId folder, const std::string& name, Access access, EntryKind* kind,
                       HandleId* child) override;
    Status ListFolder(HandleId folder, std::vector<DirectoryEntry>* entries) override;
    Status CreateChild(HandleId folder, const std::string& name, bool isFolder,
                       HandleId* child) override;
    Status DeleteOpened(HandleId entry) override;
    Status IdentifyOpened(HandleId entry, std::string* identity) override;
    Status RenameOpened(HandleId entry, HandleId folder, const std::string& name,
                        bool replace) override;
    Status ReadBytes(HandleId file, void* buffer, std::uint32_t size, std::uint32_t* done) override;
    Status WriteBytes(HandleId file, const void* data, std::uint32_t size) override;
    Status SeekFile(HandleId file, std::uint64_t offset, bool fromEnd) override;
    Status TruncateFile(HandleId file) override;
    Status FlushFiles(const std::vector<HandleId>& files) override;
    void CloseId(HandleId handle) override;

  private:
    static Status Decide(void* entry, const std::wstring& real, EntryKind* kind);
    std::wstring RealPathIn(HandleId folder, const std::wstring& name) const;
    HandleId Keep(void* handle, EntryKind kind);

    // The real path of each folder handle open, where the system can tell
    // it: an entry opened from that handle must have its own name there.
    std::map<HandleId, std::wstring> realPaths_;
    // The machine-wide mutex whose ownership is this run's turn, once taken.
    Turn turn_;
    // This run's log file, once made, and its path.
    SystemHandle log_;
    std::string logPath_;
    // What of this run's lines the caller has been told.
    CallerLines told_;
};

}  // namespace orvane

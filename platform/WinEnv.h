#pragma once

#include <map>
#include <string>

#include "platform/Env.h"
#include "platform/WinRunLog.h"
#include "platform/WinTurn.h"

namespace orvane {

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
    Status TakeTurn() override { return turn_.Take(); }
    void GiveTurnBack() override { turn_.GiveBack(); }
    std::string StartLog() override { return log_.Start(); }
    void Log(const std::string& line) override { log_.Write(line); }
    void Tell(const std::string& line) override { log_.Tell(line); }
    void FinishTelling() override { log_.FinishTelling(); }
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
    std::wstring RealPathIn(HandleId folder, const std::wstring& name) const;
    HandleId Keep(void* handle, EntryKind kind);
    // Records that file `file` was created in folder `folder`, on its volume.
    void KeepVolume(HandleId folder, HandleId file);

    // The real path of each folder handle open, where the system can tell
    // it: an entry opened from that handle must have its own name there.
    std::map<HandleId, std::wstring> realPaths_;
    // The volume's serial number of each folder a file was created in, and
    // of each such file, which is on its folder's volume: asking the system
    // for every file to be made durable costs more than flushing it.
    std::map<HandleId, std::uint32_t> volumes_;
    Turn turn_;
    RunLog log_;
};

}  // namespace orvane

#pragma once

// An in-memory Env for the unit tests: a registry, a file system that
// follows the Windows rules the logic relies on (names match without regard
// to case, ".." steps back, files opened without sharing exclude every other
// opener), folder handles from which entries are opened, created, renamed
// and deleted, a log of every call that changes something, and failure of
// any chosen call with the reason it is given; its own failures carry
// their own reasons, as the system's do.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace orvane {

enum class Call {
    kOpenKey,
    kQueryValue,
    kOpenFolder,
    kOpenChild,  // failed: something is at the name that cannot be opened
    kListFolder,
    kCreate,
    kDelete,
    kRename,
    kRead,
    kWrite,
    kSeek,
    kTruncate,
    kFlush,
    kTakeTurn,
    kWriteValue,  // a change: a killed run never gets past it
};

class FakeEnv final : public Env {
  public:
    ~FakeEnv() override = default;

    // --- Setting up ---------------------------------------------------------
    void SetValue(const std::string& subKey, const std::string& name, const std::string& bytes);
    void AddKey(const std::string& subKey);
    // The value is a string the code page cannot hold exactly.
    void SetInexactValue(const std::string& subKey, const std::string& name);
    void AddDirectory(const std::string& path);  // with every folder above it
    void AddFile(const std::string& path, const std::string& content);  // ditto
    void Remove(const std::string& path);                               // with everything below it
    void SetReadOnly(const std::string& path, bool readOnly);
    // Another program holds the file open, for good or until the run has
    // paused `pauses` times. Without `sharingDelete` nothing else may open
    // it; with it, it may be deleted, and then stays listed, its folder not
    // empty, until that program lets go.
    void HoldOpen(const std::string& path, int pauses = -1, bool sharingDelete = false);
    // The milliseconds the run has paused for, in all.
    unsigned Paused() const { return paused_; }
    // A link someone planted at `path`, to a folder or a file elsewhere. A
    // listing shows it as Wine does: a folder link with the reparse bit, a
    // file link as a plain file. Opened for removal it is held itself, as
    // Windows opens a reparse point.
    void AddLink(const std::string& path, bool toFolder);
    // The entry's name has a character the code page cannot hold: its
    // listing says the name is not exact.
    void MarkInexact(const std::string& path);

    // Makes the `nth` call (from 1) of `call` from now on fail with
    // `reason`; 0 makes every one fail.
    void FailCall(Call call, int nth = 1, const std::string& reason = "the fake call failed");
    // Counts the calls of a kind made so far.
    int CallCount(Call call) const;
    // The process is killed: the `nth` call (from 1) that would create,
    // delete, rename or write throws Killed before it has any effect.
    struct Killed {};
    void KillAt(int nth) {
        killAt_ = nth;
        changes_ = 0;
    }
    // The calls that created, deleted, renamed or wrote so far.
    int ChangeCount() const { return changes_; }
    // The power is cut: every file keeps only the bytes that were made
    // durable (or that it was set up with); names made, renamed and deleted
    // stay as they are, as NTFS's journal keeps them.
    void CutPower();

    // --- Looking --------------------------------------------------------------
    bool Exists(const std::string& path) const;
    bool IsDirectory(const std::string& path) const;
    std::string Content(const std::string& path) const;
    // Every entry below `root`, as relative paths in the case they were
    // created with, folders ending in "\", files followed by "=" and content.
    std::vector<std::string> Tree(const std::string& root) const;
    // "create PATH", "delete PATH", "rename FROM -> TO", "durable PATH" for
    // each file made durable, and "open PATH" for a file opened to be
    // written, in call order, each path as the entry's
    // folder and name are spelt. Looking and reading are not logged.
    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    std::size_t OpenKeyCount() const { return openKeys_.size(); }
    std::size_t OpenFileCount() const { return openFiles_.size(); }

    // --- Env ------------------------------------------------------------------------
    Status WriteValue(const std::string& subKey, const std::string& name,
                      const std::string& value) override;
    void Pause(unsigned milliseconds) override;
    Status TakeTurn() override;
    void GiveTurnBack() override { holdsTurn_ = false; }
    bool HoldsTurn() const { return holdsTurn_; }
    std::string StartLog() override { return logPath_; }
    void Log(const std::string& line) override { logged_.push_back(line); }
    void Tell(const std::string& line) override {
        logged_.push_back(line);
        told_.push_back(line);
    }
    void FinishTelling() override { ++finishedTelling_; }
    bool IsInteractive() override { return interactive_; }
    // How often the run said it had ended.
    int FinishedTelling() const { return finishedTelling_; }
    // Where StartLog says the log is ("" by default: no log could be made).
    void SetLogPath(const std::string& path) { logPath_ = path; }
    // Every line written to the log, told ones among them.
    const std::vector<std::string>& Logged() const { return logged_; }
    void SetInteractive(bool interactive) { interactive_ = interactive; }
    // The lines told to the caller.
    const std::vector<std::string>& Told() const { return told_; }

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
    struct Entry {
        std::string path;  // as first created
        bool directory = false;
        bool readOnly = false;
        bool link = false;
        bool inexact = false;
        std::string content;
        // What a power cut leaves of the content.
        std::string durable;
    };
    struct Hold {
        int pauses = -1;  // left until it ends; -1 for good
        bool sharingDelete = false;
        bool deleted = false;  // and so goes when it ends
    };
    struct OpenFile {
        std::string key;
        std::string path;  // as the opener spelt it
        bool exclusive = false;
        std::uint64_t position = 0;
    };

    static std::string Normalise(const std::string& path);
    static std::uint32_t AttributesOf(const Entry& entry);
    static std::string Lower(const std::string& text);
    // Counts a call and says whether it is to fail, and with what.
    bool ShouldFail(Call call, Status* failure);
    bool IsBusy(const std::string& key) const;
    bool HasChildren(const std::string& key) const;
    void MakeDirectories(const std::string& path);
    HandleId Keep(const std::string& key, const std::string& path, bool exclusive);
    OpenFile* Find(HandleId file);

    std::map<std::string, Entry> entries_;
    std::map<std::string, std::map<std::string, std::string>> registry_;
    std::set<std::string> inexactValues_;
    std::map<HandleId, std::string> openKeys_;
    std::map<HandleId, OpenFile> openFiles_;
    std::map<std::string, Hold> heldOpen_;
    unsigned paused_ = 0;
    HandleId nextHandle_ = 1;
    std::map<Call, int> calls_;
    std::map<Call, std::string> failReasons_;
    std::map<Call, std::set<int>> failAt_;
    std::set<Call> failAlways_;
    std::vector<std::string> log_;
    std::vector<std::string> told_;
    std::vector<std::string> logged_;
    std::string logPath_;
    bool interactive_ = true;
    bool holdsTurn_ = false;
    int finishedTelling_ = 0;
    int killAt_ = 0;
    int changes_ = 0;
};

}  // namespace orvane

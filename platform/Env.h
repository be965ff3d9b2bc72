#pragma once

// The one seam between Orvane's logic and the operating system.
//
// Every registry, file and window-station call the logic needs goes through an
// Env and the handles it gives, and nothing else does: WinEnv is the product's
// implementation over Win32, and the unit tests supply an in-memory one that
// can fail any call. Paths and names are 8-bit strings in the system code
// page with backslash separators.
//
// Each call that can fail returns a Status carrying its own reason. Each
// handle is a move-only owner of one open key, folder or file, typed by what
// it may do, and closes itself.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// Whether a call did what it promises, and if not, why. Never dropped
// unlooked at: a step done only in passing says so with Ignore().
class [[nodiscard]] Status {
  public:
    // Success.
    Status() = default;
    // A failure: the system's code for it (0 where there is none) and its
    // reason in words; an empty reason reads "the system gave no reason".
    static Status Failure(long code, std::string reason);

    bool ok() const { return !failed_; }
    long code() const { return code_; }
    // Empty on success.
    const std::string& reason() const { return reason_; }
    // A failure because nothing is at the path or name asked for.
    bool IsNotFound() const;
    // A failure because what a path names, opened as a folder, is none.
    bool IsNotAFolder() const;
    // A failure because a text the code page cannot hold exactly.
    bool IsInexact() const;
    // A failure because another program has the entry open in a way that
    // keeps this call out: it may let go in a moment.
    bool IsInUse() const;
    // A failure because a folder to be deleted still holds entries (some
    // perhaps still being deleted while another program holds them).
    bool IsNotEmpty() const;
    // For a step done only in passing (a clean-up after a failure already
    // told): whatever it came to, nothing more is done about it.
    void Ignore() const {}

  private:
    bool failed_ = false;
    long code_ = 0;
    std::string reason_;
};

// Failure codes the seam gives for the kinds above; the logic asks the
// Status, never the number.
constexpr long kNotFound = 2;        // nothing at the name (ERROR_FILE_NOT_FOUND)
constexpr long kPathNotFound = 3;    // nothing on the way to it (ERROR_PATH_NOT_FOUND)
constexpr long kNotAFolder = 267;    // a path opened as a folder is not one (ERROR_DIRECTORY)
constexpr long kInexactText = 1113;  // a text the code page cannot hold exactly
constexpr long kInUse = 32;          // held by another program (ERROR_SHARING_VIOLATION)
constexpr long kNotEmpty = 145;      // a folder still holds entries (ERROR_DIR_NOT_EMPTY)

// The attribute bit of a listed entry that marks a folder.
constexpr std::uint32_t kAttributeDirectory = 0x10;

// What an entry below a folder is, decided on its own open handle.
enum class EntryKind {
    kMissing,  // nothing at the name
    kFile,     // a file of its own
    kFolder,   // a folder of its own
    kLink,     // not itself: see Folder::OpenChild
};

// What a handle opened on an entry is for.
enum class Access {
    kLook,       // what it is, and a folder's listing; no other opener is kept out
    kRead,       // a file's bytes; others may read it meanwhile, not write it
    kReadWrite,  // a file's bytes, read and written; no other opener at all
    kRemove,     // deleting or moving it, and a folder's listing
};

// One entry of a folder, as its listing shows it.
struct DirectoryEntry {
    std::string name;
    std::uint32_t attributes = 0;
    // False when the system's name has a character the code page cannot
    // hold: `name` is then only a look-alike, and names something else.
    bool exact = true;
};

class Env;
class Folder;
struct Child;

// How an Env implementation numbers what it has open; the logic never sees it.
using HandleId = std::uintptr_t;

// What every handle shares: it is moved, never copied, and closes what it
// holds when it goes or is given another.
class Held {
  public:
    Held() = default;
    Held(Held&& other) noexcept;
    Held& operator=(Held&& other) noexcept;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { Close(); }

    bool IsOpen() const { return env_ != nullptr; }
    void Close();

  protected:
    Held(Env* env, HandleId id) : env_(env), id_(id) {}
    // The failure of a call on a handle that holds nothing.
    static Status NotOpen();

    Env* env_ = nullptr;
    HandleId id_ = 0;
};

// An open registry key of HKEY_LOCAL_MACHINE, read only, in the 32-bit view.
class Key : public Held {
  public:
    Key() = default;

    // Value `name`: a string value in the code page, any other type as its
    // bytes, whatever its length. A string the code page cannot hold
    // exactly (it would name another folder) fails with kInexactText; an
    // absent value with kNotFound.
    Status Read(const std::string& name, std::string* value) const;

  private:
    friend class Env;
    using Held::Held;
};

// An open entry below a folder: a file, a folder, or a link itself.
class Entry : public Held {
  public:
    Entry() = default;

    // Deletes the entry this handle holds (opened with kRemove, or
    // created): a file, an empty folder, or a link itself, never what it
    // leads to. It goes when the handle is closed.
    Status Delete() const;

    // Moves the entry this handle holds (opened with kRemove, or created),
    // a folder with all it holds, to `name` in `folder` on the same volume,
    // in one step. With `replace`, a file or a link itself at that name is
    // replaced, and keeps its content until the move succeeds; without,
    // anything at the name makes the move fail. When it fails, nothing
    // changes.
    Status MoveTo(const Folder& folder, const std::string& name, bool replace) const;

    // A text that is the same for two handles exactly when they hold one
    // entry, however it was reached: its volume and its file number.
    Status Identity(std::string* identity) const;

  protected:
    friend class Env;
    friend class Folder;
    using Held::Held;
};

// An open file, read and written at its position.
class File : public Entry {
  public:
    File() = default;

    // Up to `size` bytes at the position; *done is 0 at the end.
    Status Read(void* buffer, std::uint32_t size, std::uint32_t* done) const;
    // `size` bytes at the position; fails unless all are written.
    Status Write(const void* data, std::uint32_t size) const;
    Status SeekTo(std::uint64_t offset) const;
    Status SeekToEnd() const;
    // Cuts the file off at the position.
    Status Truncate() const;

  private:
    friend class Env;
    friend class Folder;
    using Entry::Entry;
};

// An open folder, from which its entries are listed, opened, made and moved.
//
// A product may lie in a folder where any local user can create files, and
// so may Visual Studio's own, so any name below such a folder may be a link
// one of them planted: a symbolic link, a junction or mount point, or a
// second name of a file elsewhere, swapped in at any moment. Followed by
// this elevated program, it would lead a write, a delete or a copy anywhere
// on the machine. So a walk opens its top folder by path (Env::OpenFolder:
// that folder and what is above it are the installer's or Visual Studio's
// choice) and every entry below it from its parent's handle, decides on the
// new handle what it is, and then acts only through that handle. Names are
// single entries: no separators, no stream names, never "." or "..", and
// never a name Windows keeps for a device ("CON", "nul.txt", "COM1"...).
class Folder : public Entry {
  public:
    Folder() = default;

    // Opens entry `name` without following it and says what it is. kLink:
    // a symbolic link, junction or mount point; a file with more than one
    // name; a sparse file (its copy would take disk its bytes never held);
    // an entry whose real path (where the system can tell it) is not its
    // own path here; one whose name the code page cannot hold exactly. The
    // handle is open for kFile and kFolder, and for kLink only with
    // kRemove and only where it holds that name itself, so that deleting
    // through it removes the name and never what it leads to. Fails, with
    // the reason, when something is at the name that cannot be opened for
    // `access` (held by another program, or refused).
    Status OpenChild(const std::string& name, Access access, Child* child) const;

    // The folder's entries, without "." and "..", in no particular order.
    // Fails unless it was read whole.
    Status List(std::vector<DirectoryEntry>* entries) const;

    // Creates folder `name` anew and opens it as OpenChild would for
    // kRemove. Fails when anything is at the name, or appears there.
    Status NewFolder(const std::string& name, Folder* folder) const;

    // Creates an empty file `name` anew, open for reading and writing with
    // no sharing. Fails when anything is at the name, or appears there.
    Status NewFile(const std::string& name, File* file) const;

  private:
    friend class Env;
    using Entry::Entry;

    // Creates `name` anew as a folder or a file, as `Made` is.
    template <typename Made>
    Status Create(const std::string& name, Made* made) const;
};

// What Folder::OpenChild found at a name, and the handle it holds.
struct Child {
    EntryKind kind = EntryKind::kMissing;
    File file;      // open for kFile
    Folder folder;  // open for kFolder
    Entry link;     // open for kLink only as Folder::OpenChild says
    // Whichever of the three is open (a closed one when none is).
    const Entry& entry() const;
};

class Env {
  public:
    virtual ~Env() = default;

    // Opens `subKey` of HKEY_LOCAL_MACHINE for reading, in the 32-bit view
    // Visual Studio 7.0 to 10.0 register in. A missing key fails with
    // kNotFound.
    Status OpenKey(const std::string& subKey, Key* key);

    // Opens folder `path` itself, following links to it and above it: the
    // top of a walk. Fails when nothing is there or it is no folder.
    Status OpenFolder(const std::string& path, Folder* folder);

    // Sets string value `name` of `subKey` of HKEY_LOCAL_MACHINE, in the
    // 32-bit view, making the key where it is missing, and has it on the
    // disk when it returns; an empty `value` deletes the value instead (and
    // succeeds where there is none), and the key once it holds nothing. Only
    // administrators and LocalSystem may write there, so what Orvane
    // records there no other user can plant.
    virtual Status WriteValue(const std::string& subKey, const std::string& name,
                              const std::string& value) = 0;

    // Makes every byte written so far to each of `files` durable: once it
    // succeeds, a power cut at any later moment leaves each file with all
    // of them, whatever is renamed afterwards. (NTFS journals names, not
    // data: a file renamed into place before this could come back empty.)
    // One pass, the cheapest way the system offers for the whole set; the
    // way it took goes to the log. The files stay open. Fails, with the
    // reason, unless all of them were made durable.
    Status MakeDurable(const std::vector<File>& files);

    // Waits `milliseconds` doing nothing, so that another program's brief
    // hold on an entry (an indexer's, a virus scanner's) may pass.
    virtual void Pause(unsigned milliseconds) = 0;

    // Waits, two minutes at the most, until no other Orvane run on this
    // machine (in any session) holds the turn, and holds it until
    // GiveTurnBack or until this Env is destroyed. Fails at once, saying
    // so, when something else is at the turn's name or this account may not
    // wait on it; after two minutes, saying that another run still holds it.
    virtual Status TakeTurn() = 0;

    // Gives the turn back, if this run holds it: another run may then read
    // and change Visual Studio's folders.
    virtual void GiveTurnBack() = 0;

    // Makes this run's log: a new file in the temporary folder of the
    // account the process runs as (a deferred installer action's is the
    // system's), under a name nobody can predict, created exclusively (never
    // through a link, never over anything) and written only through its
    // handle. Returns its path, or "" when it cannot be made: the run goes
    // on without it.
    virtual std::string StartLog() = 0;

    // Writes `line` and CR LF to this run's log, if it has one.
    virtual void Log(const std::string& line) = 0;

    // Writes `line` to this run's log, and with CR LF to the standard error
    // handle the caller gave this process, or else to its standard output,
    // where that is a file or a pipe. Control characters are written
    // escaped (see EscapeControls), so each line the caller reads is one
    // Orvane meant.
    // At most so much is told, however many lines a run has (see
    // CallerLines): a caller that reads only once the run has ended is
    // never kept waiting on a full pipe.
    virtual void Tell(const std::string& line) = 0;

    // Once the run has ended: tells the caller how many of its lines were
    // held back, and the last of them.
    virtual void FinishTelling() = 0;

    // False when nobody can see this process's windows: its window station
    // is not visible, as for a service or a deferred installer action in
    // session 0, or its starter asked for its window to be hidden, as quiet
    // runners do. True otherwise, or when that cannot be told.
    virtual bool IsInteractive() = 0;

  protected:
    // What an implementation does for each handle's call, by number; each
    // promise is the one given where the handle declares the call. A
    // failed open leaves *id at 0.
    virtual Status OpenKeyId(const std::string& subKey, HandleId* key) = 0;
    virtual Status ReadValue(HandleId key, const std::string& name, std::string* value) = 0;
    virtual Status OpenFolderId(const std::string& path, HandleId* folder) = 0;
    virtual Status OpenChildId(HandleId folder, const std::string& name, Access access,
                               EntryKind* kind, HandleId* child) = 0;
    virtual Status ListFolder(HandleId folder, std::vector<DirectoryEntry>* entries) = 0;
    virtual Status CreateChild(HandleId folder, const std::string& name, bool isFolder,
                               HandleId* child) = 0;
    virtual Status DeleteOpened(HandleId entry) = 0;
    virtual Status IdentifyOpened(HandleId entry, std::string* identity) = 0;
    virtual Status RenameOpened(HandleId entry, HandleId folder, const std::string& name,
                                bool replace) = 0;
    virtual Status ReadBytes(HandleId file, void* buffer, std::uint32_t size,
                             std::uint32_t* done) = 0;
    virtual Status WriteBytes(HandleId file, const void* data, std::uint32_t size) = 0;
    virtual Status SeekFile(HandleId file, std::uint64_t offset, bool fromEnd) = 0;
    virtual Status TruncateFile(HandleId file) = 0;
    // Makes `files` durable, as MakeDurable promises.
    virtual Status FlushFiles(const std::vector<HandleId>& files) = 0;
    // Closes a key, a folder or a file.
    virtual void CloseId(HandleId handle) = 0;

  private:
    friend class Held;
    friend class Key;
    friend class Entry;
    friend class File;
    friend class Folder;
};

}  // namespace orvane

#pragma once

// The one seam between Orvane's logic and the operating system.
//
// Every registry, file and window-station call the logic needs goes through an
// Env, and nothing else does: WinEnv is the product's implementation over
// Win32, and the unit tests supply an in-memory one that can fail any call.
// Paths are 8-bit strings in the system code page with backslash
// separators; they are passed through unchanged.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// An opaque handle for a registry key, a directory search, or an open file
// or folder.
using Handle = std::uintptr_t;
constexpr Handle kNoHandle = 0;

// The status of a text the code page cannot hold exactly
// (ERROR_NO_UNICODE_TRANSLATION).
constexpr long kInexactText = 1113;

// The attribute bit of a directory entry that marks a folder.
constexpr std::uint32_t kAttributeDirectory = 0x10;

// What an entry below a checked folder turns out to be.
enum class EntryKind { kMissing, kFile, kFolder, kLink };

// What a handle opened on an entry is for.
enum class Access {
    kLook,       // what it is, and a folder's listing; no other opener is kept out
    kRead,       // a file's bytes; others may read it meanwhile, not write it
    kReadWrite,  // a file's bytes, read and written; no other opener at all
    kRemove,     // deleting it, and a folder's listing
};

// One entry of a folder, as its listing shows it.
struct DirectoryEntry {
    std::string name;
    std::uint32_t attributes = 0;
    // False when the system's name has a character the code page cannot
    // hold: `name` is then only a look-alike, and names something else.
    bool exact = true;
};

class Env {
  public:
    virtual ~Env() = default;

    // --- Registry: HKEY_LOCAL_MACHINE, read only, the 32-bit view --------

    // Opens `subKey` for query access. Returns 0 and sets *key when the key
    // exists and may be read; any other status leaves *key untouched.
    virtual long OpenKey(const std::string& subKey, Handle* key) = 0;

    // Reads value `name` of an open key into data[0..*size): a string value
    // in the code page, any other as its bytes. The value's type is not
    // given. On entry *size is the buffer's size; on return 0 it holds the
    // number of bytes stored. Absent values and data that do not fit give a
    // non-zero status, and a string the code page cannot hold exactly (it
    // would name another folder) gives kInexactText.
    virtual long QueryValue(Handle key, const std::string& name, unsigned char* data,
                            std::uint32_t* size) = 0;

    // Closes a key that OpenKey opened.
    virtual void CloseKey(Handle key) = 0;

    // --- Directory search ------------------------------------------------

    // Starts a search for `path`. Returns true, sets *search and stores the
    // attributes of the first entry found, or returns false when nothing
    // matches. Names match without regard to case and ".." steps back one
    // folder; a path ending in a backslash finds nothing.
    virtual bool FindFirst(const std::string& path, Handle* search, std::uint32_t* attributes) = 0;

    // Ends a search that FindFirst started.
    virtual void CloseFind(Handle search) = 0;

    // --- Folders and their entries, through handles ------------------------
    //
    // A product may lie in a folder where any local user can create files,
    // and so may Visual Studio's own (on a second drive, or outside Program
    // Files), so any name below such a folder may be a link one of them
    // planted: a symbolic link, a junction or mount point, or a second name
    // of a file elsewhere, and it may be swapped for one at any moment.
    // Followed by this elevated program, it would lead a write, a delete or
    // a copy anywhere on the machine. So a walk opens its top folder by path
    // (that folder and what is above it are the installer's or Visual
    // Studio's choice, and followed as they are) and every entry below it
    // from its parent's open handle, decides on the new handle what it is,
    // and then acts only through that handle. Names are single entries: no
    // separators, no stream names, never "." or "..", and never a name
    // Windows keeps for a device ("CON", "nul.txt", "COM1" and the like).

    // Opens folder `path` itself, following links to it or above it. With
    // `create`, missing folders on the way are made first. The handle lists
    // the folder and opens, creates and renames entries inside it.
    virtual bool OpenFolder(const std::string& path, bool create, Handle* folder) = 0;

    // Opens entry `name` of an open folder without following it and says
    // what it is, decided on the new handle. kLink: a symbolic link,
    // junction or mount point; a file with more than one name; a sparse
    // file (its copy would take disk its bytes never held); an entry
    // whose real path (where the system can tell it) is not its own path
    // in the folder; one whose name the code page cannot hold exactly; or
    // one that exists but cannot be opened for `access`. *child is set for
    // kFile and kFolder, and for kLink only with kRemove and only when the
    // handle holds that name itself, so that deleting through it removes
    // the name and never what it leads to.
    virtual EntryKind OpenChild(Handle folder, const std::string& name, Access access,
                                Handle* child) = 0;

    // Lists an open folder through its handle, without "." and "..", in no
    // particular order. False when it cannot be read whole.
    virtual bool ListFolder(Handle folder, std::vector<DirectoryEntry>* entries) = 0;

    // Creates entry `name` of an open folder anew: a folder, opened as
    // OpenFolder's are, or an empty file opened for reading and writing
    // with no sharing. Fails when anything is at the name already, or
    // appears there meanwhile.
    virtual bool CreateChild(Handle folder, const std::string& name, bool isFolder,
                             Handle* child) = 0;

    // Deletes the entry a handle from OpenChild (with kRemove) or
    // CreateChild holds: a file, an empty folder, or a link itself. It goes
    // when the handle is closed.
    virtual bool DeleteOpened(Handle entry) = 0;

    // Moves the entry a handle from OpenChild (with kRemove) or CreateChild
    // holds, a file, a folder with all it holds, or a link itself, to the
    // name `name` in an open folder of the same volume, in one step. With
    // `replace`, a file (or a link itself) at that name is replaced, and
    // until the move succeeds it keeps its content; without, anything at
    // the name makes the move fail. When it fails, nothing changes.
    virtual bool RenameOpened(Handle entry, Handle folder, const std::string& name,
                              bool replace) = 0;

    // --- Open files -----------------------------------------------------------

    // Reads up to `size` bytes at the position; *done is 0 at the end.
    virtual bool Read(Handle file, void* buffer, std::uint32_t size, std::uint32_t* done) = 0;

    // Writes `size` bytes at the position; succeeds only when all are written.
    virtual bool Write(Handle file, const void* data, std::uint32_t size) = 0;

    // Moves the position to an absolute offset.
    virtual bool SeekTo(Handle file, std::uint64_t offset) = 0;

    // Moves the position to the end of the file.
    virtual bool SeekToEnd(Handle file) = 0;

    // Cuts the file off at the position.
    virtual bool TruncateAtPosition(Handle file) = 0;

    // Returns once everything written has reached the disk.
    virtual bool Flush(Handle file) = 0;

    // Closes a handle that OpenFolder, OpenChild or CreateChild gave.
    virtual void CloseFile(Handle file) = 0;

    // --- Taking turns -------------------------------------------------------------

    // Waits, two minutes at the most, until no other Orvane run on this
    // machine (in any session) holds the turn, and holds it until this Env
    // is destroyed. False, with the reason, when the turn did not come.
    virtual bool TakeTurn() = 0;

    // --- Failures and the caller ----------------------------------------------

    // Why the last call failed, in the system's words, asked right after
    // it; "the system gave no reason" where that call set none (each call
    // starts with no reason, so none is ever an earlier call's).
    virtual std::string LastFailure() = 0;

    // Makes this run's log: a new file in the temporary folder of the account
    // the process runs as (a deferred installer action's is the system's),
    // under a name nobody can predict, created exclusively (never through a
    // link, never over anything) and written only through its handle.
    // Returns its path, or "" when it cannot be made: the run goes on
    // without it.
    virtual std::string StartLog() = 0;

    // Writes `line` and CR LF to this run's log, if it has one.
    virtual void Log(const std::string& line) = 0;

    // Writes `line` to this run's log, and with CR LF to the standard error
    // handle the caller gave this process, or else to its standard output,
    // where that is a file or a pipe; where it gave neither, only the log
    // gets it. Control characters are written escaped (see EscapeControls),
    // so each line the caller reads is one Orvane meant.
    virtual void Tell(const std::string& line) = 0;

    // --- Windows --------------------------------------------------------------

    // False when nobody can see this process's windows: its window station
    // is not visible, as for a service or a deferred installer action in
    // session 0, or its starter asked for its window to be hidden, as quiet
    // runners do. True otherwise, or when that cannot be told.
    virtual bool IsInteractive() = 0;
};

// Closes an open file or folder when it goes out of scope.
class FileCloser {
  public:
    explicit FileCloser(Env& env, Handle file = kNoHandle) : env_(&env), file_(file) {}
    ~FileCloser() { Close(); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;
    FileCloser(FileCloser&& other) noexcept : env_(other.env_), file_(other.release()) {}

    Handle get() const { return file_; }
    // Where a call stores the handle it opens.
    Handle* put() {
        Close();
        return &file_;
    }
    // Hands the handle over; nothing is closed.
    Handle release() {
        const Handle file = file_;
        file_ = kNoHandle;
        return file;
    }
    // Closes the handle held and holds `file` instead.
    void reset(Handle file) {
        Close();
        file_ = file;
    }
    void Close() {
        if (file_ != kNoHandle) {
            env_->CloseFile(file_);
            file_ = kNoHandle;
        }
    }

  private:
    Env* env_;
    Handle file_;
};

}  // namespace orvane

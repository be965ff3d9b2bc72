#pragma once

// The one seam between Orvane's logic and the operating system.
//
// Every registry, file and shell operation the logic needs goes through an
// Env, and nothing else does: WinEnv is the product's implementation over
// Win32, and the unit tests supply an in-memory one that can fail any call.
// Paths are 8-bit strings in the system code page with backslash
// separators; they are passed through unchanged.

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// An opaque handle for a registry key, a directory search or an open file.
using Handle = std::uintptr_t;
constexpr Handle kNoHandle = 0;

// Shell file operations (the values of FO_COPY and FO_DELETE).
enum class FileOp : unsigned { kCopy = 2, kDelete = 3 };

// The attribute bit of a directory entry that marks a folder.
constexpr std::uint32_t kAttributeDirectory = 0x10;

// What an entry below a folder that others may write turns out to be.
enum class EntryKind { kMissing, kFile, kFolder, kLink };

// One entry of a folder, as its listing shows it.
struct DirectoryEntry {
    std::string name;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
};

class Env {
  public:
    virtual ~Env() = default;

    // --- Registry: HKEY_LOCAL_MACHINE, read only, the 32-bit view --------

    // Opens `subKey` for query access. Returns 0 and sets *key when the key
    // exists and may be read; any other status leaves *key untouched.
    virtual long OpenKey(const std::string& subKey, Handle* key) = 0;

    // Reads value `name` of an open key into data[0..*size). The value's type
    // is not asked for. On entry *size is the buffer's size; on return 0 it
    // holds the number of bytes stored. Absent values and data that do not
    // fit give a non-zero status.
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

    // Lists the entries of folder `path`, without "." and "..", in no
    // particular order. False when it is not a folder or cannot be read.
    virtual bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>* entries) = 0;

    // --- Shell file operation ---------------------------------------------

    // Runs a copy or delete of whole trees, with no owner window. `from` and
    // `to` are lists of paths, each ended by a zero byte, the list by a
    // second one; `to` is null for a delete. Returns the operation's status
    // (0 for success) and whether any part of it was aborted.
    virtual int FileOperation(FileOp op, const char* from, const char* to, unsigned flags,
                              bool* aborted) = 0;

    // --- Single files -------------------------------------------------------

    // Copies one file; with failIfExists false an existing target is
    // replaced. Fails, changing nothing, when the source is missing.
    virtual bool CopyFileTo(const std::string& from, const std::string& to, bool failIfExists) = 0;

    // Deletes one file. Fails, changing nothing, when it is missing or
    // cannot be deleted.
    virtual bool DeleteFileAt(const std::string& path) = 0;

    // Moves `from` over `to` in one step, replacing `to` if it exists, and
    // returns only when the move has reached the disk. Until it succeeds
    // `to` keeps its old content; when it fails, both files are unchanged.
    virtual bool MoveFileOver(const std::string& from, const std::string& to) = 0;

    // --- Below a folder that others may write ----------------------------------
    //
    // A product may lie in a folder where any local user can create files,
    // so any name below it may be a link one of them planted: a symbolic
    // link, a junction or mount point, or a second name of a file
    // elsewhere. Followed by this elevated program, it would lead a write,
    // a delete or a copy anywhere on the machine. These calls take that
    // folder, `root`, and decide on what they find, on the open handle
    // where there is one: `root` and the folders above it are followed as
    // they are (the installer chose them), nothing below it is.

    // What `path` is. kLink when it, or a folder between `root` and it, is a
    // link; when it is a file with more than one name; when the real path
    // of what it names is not its path below the real path of `root`; when
    // it is not below `root`; or when it exists but cannot be looked at.
    virtual EntryKind InspectBelow(const std::string& root, const std::string& path) = 0;

    // Opens an existing file below `root` for reading and writing with no
    // sharing: while it is open no other opener may read or write it. Fails
    // on a missing, read-only or busy file, and on one that InspectBelow
    // would not call kFile, decided on the open handle. The position starts
    // at the first byte.
    virtual bool OpenForReadWrite(const std::string& root, const std::string& path,
                                  Handle* file) = 0;

    // Creates `path` below `root` anew for reading and writing with no
    // sharing. Whatever entry is at its name goes first: a file, an empty
    // folder, or a link itself, never what a link leads to. Fails when that
    // entry cannot be removed without following it, when a folder on the
    // way is a link, and when anything appears at the name meanwhile.
    virtual bool CreateNewForReadWrite(const std::string& root, const std::string& path,
                                       Handle* file) = 0;

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

    // Closes a file that OpenForReadWrite or CreateNewForReadWrite opened.
    virtual void CloseFile(Handle file) = 0;

    // --- Windows --------------------------------------------------------------

    // False when nobody can see this process's windows: its window station
    // is not visible, as for a service or a deferred installer action in
    // session 0. True when it is, or when that cannot be told.
    virtual bool IsInteractive() = 0;
};

// Closes an open file when it goes out of scope.
class FileCloser {
  public:
    FileCloser(Env& env, Handle file) : env_(env), file_(file) {}
    ~FileCloser() { Close(); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

    Handle get() const { return file_; }
    void Close() {
        if (file_ != kNoHandle) {
            env_.CloseFile(file_);
            file_ = kNoHandle;
        }
    }

  private:
    Env& env_;
    Handle file_;
};

}  // namespace orvane

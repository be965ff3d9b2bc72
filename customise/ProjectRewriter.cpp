#include "customise/ProjectRewriter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "deploy/FileSystem.h"
#include "deploy/Layout.h"

namespace orvane {
namespace {

constexpr std::size_t kBufferSize = 4096;
constexpr std::string_view kIncludeKey = "AdditionalIncludeDirectories";
constexpr std::string_view kLibraryKey = "AdditionalLibraryDirectories";
constexpr std::string_view kElementEnd = "/>";

const SampleProject kSampleProjects[kSampleProjectCount] = {
    {"BandObjectsSample", "BandObjects"},
    {"BrowserHelperObjectSample", "BHOSample"},
    {"ColumnExtensionSample", "SlnFileVersion"},
    {"ContextMenuExtensionSample", "RegSvr"},
    {"CopyHookExtensionSample", "ShellOperationsLog"},
    {"DirBackgroundCtxMenuExtensionSample", "CopyPath"},
    {"DiskCleanupExtensionSample", "DummyDiskCleaner"},
    {"DropExtensionSample", "FileCounter"},
    {"IconExtensionSample", "IconsAsImages"},
    {"InfotipExtensionSample", "TextFilePreview"},
    {"OverlayIconExtensionSample", "LargeTextFiles"},
    {"PropertySheetExtensionSample", "BitmapPreview"},
    {"SendToExtensionSample", "FileCounter"},
    {"ShellExecuteHookExtensionSample", "ShellExecuteLog"},
    {"DragDropExtensionSample", "FileDragDropInfoSample"},
    {"ThumbnailExtensionSample", "TextFilePreview"},
    {"AutoPlayExtensionSample", "VideoFilesAutoPlay"},
    {"PreviewHandlerSample", "BitmapPreview"},
    {"PropertyHandlerSample", "TextFileInfoSample"},
    {"ThumbnailProviderSample", "TextFilePreview"},
    {"ContextMenuWithIcons", "ContextMenuWithIcons"},
    {"ImagePreviewSample", "ImagePreviewSample"},
    {"ControlPanelItemSample", "SampleControlPanelItem"},
};

// Finds a fixed text in a stream of bytes that arrive one at a time, so a
// match may span any number of buffer refills.
class StreamMatcher {
  public:
    explicit StreamMatcher(std::string_view pattern)
        : pattern_(pattern), fallback_(pattern.size()) {
        std::size_t k = 0;
        for (std::size_t i = 1; i < pattern_.size(); ++i) {
            while (k > 0 && pattern_[i] != pattern_[k]) {
                k = fallback_[k - 1];
            }
            if (pattern_[i] == pattern_[k]) {
                ++k;
            }
            fallback_[i] = k;
        }
    }

    // Takes the next byte; true when it completes an occurrence.
    bool Feed(char byte) {
        while (matched_ > 0 && byte != pattern_[matched_]) {
            matched_ = fallback_[matched_ - 1];
        }
        if (byte == pattern_[matched_]) {
            ++matched_;
        }
        if (matched_ == pattern_.size()) {
            matched_ = fallback_[matched_ - 1];
            return true;
        }
        return false;
    }

    void Reset() { matched_ = 0; }

  private:
    std::string_view pattern_;
    std::vector<std::size_t> fallback_;
    std::size_t matched_ = 0;
};

class InputBuffer {
  public:
    explicit InputBuffer(const File& file) : file_(file) {}

    // The next byte, or false at the end of the file.
    bool Next(char* byte) {
        if (next_ == filled_) {
            std::uint32_t done = 0;
            const Status status = file_.Read(bytes_.data(), kBufferSize, &done);
            if (!status.ok()) {
                throw FileError("cannot read it: " + status.reason());
            }
            if (done == 0) {
                return false;
            }
            filled_ = std::min<std::size_t>(done, kBufferSize);
            next_ = 0;
        }
        *byte = bytes_[next_++];
        return true;
    }

  private:
    const File& file_;
    std::array<char, kBufferSize> bytes_{};
    std::size_t next_ = 0;
    std::size_t filled_ = 0;
};

// Output written through one buffer, which can take back everything written
// since a given offset: a line is written as it arrives, and taken back
// when it turns out to need replacing.
class OutputBuffer {
  public:
    explicit OutputBuffer(const File& file) : file_(file) {}

    std::uint64_t Position() const { return flushed_ + used_; }

    void Put(char byte) {
        if (used_ == kBufferSize) {
            WriteOut();
        }
        bytes_[used_++] = byte;
    }

    void Put(std::string_view text) {
        for (char byte : text) {
            Put(byte);
        }
    }

    void RewindTo(std::uint64_t offset) {
        if (offset >= flushed_) {
            used_ = static_cast<std::size_t>(offset - flushed_);
            return;
        }
        Check(file_.SeekTo(offset), "seek in");
        flushed_ = offset;
        used_ = 0;
    }

    // Writes out the rest, and cuts off what a rewind left beyond it.
    void Finish() {
        WriteOut();
        if (highWater_ > flushed_) {
            Check(file_.Truncate(), "truncate");
        }
    }

  private:
    static void Check(const Status& status, const char* what) {
        if (!status.ok()) {
            throw FileError(std::string("cannot ") + what +
                            " its temporary file: " + status.reason());
        }
    }

    void WriteOut() {
        if (used_ > 0) {
            Check(file_.Write(bytes_.data(), static_cast<std::uint32_t>(used_)), "write");
        }
        flushed_ += used_;
        highWater_ = std::max(highWater_, flushed_);
        used_ = 0;
    }

    const File& file_;
    std::array<char, kBufferSize> bytes_{};
    std::size_t used_ = 0;
    std::uint64_t flushed_ = 0;
    std::uint64_t highWater_ = 0;
};

// Streams one project through the line rules. Lines end at LF or CR LF.
// Any other CR is an ordinary byte of its line, except that CRs ending a
// line (before its CR LF or LF, or at the end of the file) belong to the
// line end: so no line is written with a CR before its LF, and a second run
// reads back exactly the lines the first one wrote. Zero bytes pass through
// like any other: the projects are 8-bit text, and nothing may be lost.
class LineRewriter {
  public:
    LineRewriter(OutputBuffer& out, const std::string& includeDir, const std::string& libraryDir)
        : out_(out),
          includeLine_("\t" + std::string(kIncludeKey) + "=\"" + EscapeXmlAttribute(includeDir) +
                       "\""),
          libraryLine_("\t" + std::string(kLibraryKey) + "=\"" + EscapeXmlAttribute(libraryDir) +
                       "\"") {}

    void Run(InputBuffer& in) {
        char byte = 0;
        std::uint64_t pendingCrs = 0;
        while (in.Next(&byte)) {
            if (byte == '\r') {
                ++pendingCrs;
                lineHasBytes_ = true;
                continue;
            }
            if (byte == '\n') {
                pendingCrs = 0;
                EndLine();
                continue;
            }
            for (; pendingCrs > 0; --pendingCrs) {
                Take('\r');
            }
            Take(byte);
        }
        if (lineHasBytes_) {
            EndLine();
        }
    }

  private:
    void Take(char byte) {
        lineHasBytes_ = true;
        hasInclude_ |= include_.Feed(byte);
        hasLibrary_ |= library_.Feed(byte);
        hasElementEnd_ |= elementEnd_.Feed(byte);
        if (replacing_) {
            return;
        }
        if (hasInclude_ || hasLibrary_) {
            replacing_ = true;
            out_.RewindTo(lineStart_);
            return;
        }
        out_.Put(byte);
    }

    void EndLine() {
        if (replacing_) {
            out_.Put(hasInclude_ ? includeLine_ : libraryLine_);
            if (hasElementEnd_) {
                out_.Put(kElementEnd);
            }
        }
        out_.Put('\n');
        lineStart_ = out_.Position();
        lineHasBytes_ = hasInclude_ = hasLibrary_ = hasElementEnd_ = replacing_ = false;
        include_.Reset();
        library_.Reset();
        elementEnd_.Reset();
    }

    OutputBuffer& out_;
    const std::string includeLine_;
    const std::string libraryLine_;
    StreamMatcher include_{kIncludeKey};
    StreamMatcher library_{kLibraryKey};
    StreamMatcher elementEnd_{kElementEnd};
    std::uint64_t lineStart_ = 0;
    bool lineHasBytes_ = false;
    bool hasInclude_ = false;
    bool hasLibrary_ = false;
    bool hasElementEnd_ = false;
    bool replacing_ = false;
};

}  // namespace

std::string EscapeXmlAttribute(const std::string& text) {
    // The four are ASCII below 0x40, so never the trail byte of a
    // double-byte character: the bytes stay in the file's code page.
    std::string escaped;
    for (const char byte : text) {
        switch (byte) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += byte;
        }
    }
    return escaped;
}

const SampleProject* GetSampleProjects() {
    return kSampleProjects;
}

std::string GetSampleProjectStem(const std::string& productRoot, const SampleProject& sample) {
    return productRoot + kSamplesFolder + "\\" + sample.folder + "\\" + sample.project;
}

namespace {

// A project rewritten into its temporary file, which is held without
// sharing until it replaces the project.
struct Rewritten {
    Folder folder;
    std::string name;  // the project's, in `folder`
    std::string projectPath;
};

// Writes the rewrite of `projectPath` into a new file at `tempPath`,
// beside it; false when there is no project to rewrite. Throws FileError.
bool WriteRewrite(const Root& root, const std::string& projectPath, const std::string& tempPath,
                  const std::string& includeDir, const std::string& libraryDir,
                  Rewritten* rewritten, File* temp) {
    std::vector<std::string> tempNames;
    Status status = OpenParentBelow(root, projectPath, &rewritten->folder, &rewritten->name);
    if (status.IsNotFound()) {
        return false;  // the product does not ship that sample
    }
    if (status.ok() && (!NamesBelow(root.path, tempPath, &tempNames) || tempNames.empty())) {
        status = Status::Failure(0, tempPath + " is not below " + root.path);
    }
    if (!status.ok()) {
        throw FileError(projectPath + ": cannot open its folder as itself: " + status.reason());
    }
    rewritten->projectPath = projectPath;
    const Folder& folder = rewritten->folder;
    Child project;
    status = folder.OpenChild(rewritten->name, Access::kReadWrite, &project);
    if (status.ok() &&
        (project.kind == EntryKind::kMissing || project.kind == EntryKind::kFolder)) {
        return false;
    }
    if (status.ok() && project.kind == EntryKind::kLink) {
        status = Status::Failure(0, std::string("it is ") + kNotItself);
    }
    if (!status.ok()) {
        throw FileError(projectPath + ": cannot open it: " + status.reason());
    }
    // Whatever is at the temporary name goes first, a link itself and never
    // what it leads to; the new file is then held without sharing until it
    // has replaced the project.
    status = ClearChild(folder, tempNames.back());
    if (status.ok()) {
        status = folder.NewFile(tempNames.back(), temp);
    }
    if (!status.ok()) {
        throw FileError(tempPath + ": cannot create it: " + status.reason());
    }
    try {
        InputBuffer in(project.file);
        OutputBuffer out(*temp);
        LineRewriter(out, includeDir, libraryDir).Run(in);
        out.Finish();
    } catch (const FileError& failure) {
        temp->Delete().Ignore();
        throw FileError(projectPath + ": " + failure.what());
    } catch (...) {
        temp->Delete().Ignore();
        throw;
    }
    return true;
}

// Deletes the temporary files from `first` on: they replace nothing.
void DiscardTemps(const std::vector<File>& temps, std::size_t first) {
    for (std::size_t i = first; i < temps.size(); ++i) {
        temps[i].Delete().Ignore();
    }
}

// Makes every temporary file durable in one pass, then puts each in its
// project's place by one rename through the handle that was written: at
// every moment a project holds either its old bytes or the complete new
// ones, even after a power cut, and nothing can be swapped in between.
void ReplaceProjects(Env& env, const std::vector<Rewritten>& projects,
                     const std::vector<File>& temps) {
    Status status = env.MakeDurable(temps);
    if (!status.ok()) {
        DiscardTemps(temps, 0);
        throw FileError("the rewritten sample projects cannot be made durable: " + status.reason());
    }
    for (std::size_t i = 0; i < temps.size(); ++i) {
        status = temps[i].MoveTo(projects[i].folder, projects[i].name, true);
        if (!status.ok()) {
            DiscardTemps(temps, i);
            throw FileError(projects[i].projectPath + ": cannot replace it: " + status.reason());
        }
    }
}

}  // namespace

void RewriteProjectFile(Env& env, const std::string& root, const std::string& projectPath,
                        const std::string& tempPath, const std::string& includeDir,
                        const std::string& libraryDir) {
    std::vector<Rewritten> projects(1);
    std::vector<File> temps(1);
    Root opened;
    const Status status = OpenRoot(env, root, &opened);
    if (!status.ok()) {
        throw FileError(projectPath + ": cannot open its folder as itself: " + status.reason());
    }
    if (WriteRewrite(opened, projectPath, tempPath, includeDir, libraryDir, &projects[0],
                     &temps[0])) {
        ReplaceProjects(env, projects, temps);
    }
}

Status PatchSampleProjects(Env& env, const Product& product) {
    const std::string& productRoot = product.productRoot;
    const std::string includeDir = productRoot + kIncludeFolder;
    const std::string libraryDir = productRoot + kLibFolder;
    std::vector<Rewritten> projects;
    std::vector<File> temps;
    try {
        for (const SampleProject& sample : kSampleProjects) {
            const std::string stem = GetSampleProjectStem(productRoot, sample);
            Rewritten project;
            File temp;
            if (WriteRewrite(product.samples, stem + ".vcproj", stem + "1.vcproj", includeDir,
                             libraryDir, &project, &temp)) {
                projects.push_back(std::move(project));
                temps.push_back(std::move(temp));
            }
        }
    } catch (const FileError& failure) {
        DiscardTemps(temps, 0);
        return Status::Failure(0, failure.what());
    } catch (...) {
        DiscardTemps(temps, 0);
        throw;
    }
    // Those already renamed into place are projects now, never discarded.
    try {
        ReplaceProjects(env, projects, temps);
    } catch (const FileError& failure) {
        return Status::Failure(0, failure.what());
    }
    return Status();
}

}  // namespace orvane

// The rewriter and the stamper on real files: share modes, seeks,
// truncation and the one-step replace.

#include <gtest/gtest.h>

#include "customise/LauncherStamper.h"
#include "customise/ProjectRewriter.h"
#include "deploy/FileSystem.h"
#include "platform/WinEnv.h"
#include "tests/windows/WinTestSupport.h"

namespace orvane {
namespace {

using testing::PathExists;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

class RealFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        project = dir.path() + "\\P.vcproj";
        temp = dir.path() + "\\P1.vcproj";
    }
    ScratchDir dir;
    WinEnv env;
    std::string project, temp;
};

// What an entry is, as InspectBelow says it, which must be able to look.
EntryKind KindBelow(Env& env, const std::string& root, const std::string& path) {
    EntryKind kind = EntryKind::kMissing;
    EXPECT_TRUE(InspectBelow(env, root, path, &kind).ok()) << path;
    return kind;
}

TEST_F(RealFiles, NoSharingWhileOpen) {
    WriteBytes(project, "x");
    Child file, second;
    ASSERT_TRUE(OpenBelow(env, dir.path(), project, Access::kReadWrite, &file).ok());
    ASSERT_EQ(file.kind, EntryKind::kFile);
    // Held, not a link: the failure says so, with the system's own reason.
    const Status held = OpenBelow(env, dir.path(), project, Access::kReadWrite, &second);
    EXPECT_EQ(held.code(), ERROR_SHARING_VIOLATION) << held.reason();
    EXPECT_NE(held.reason().find("(error 32)"), std::string::npos) << held.reason();
    EXPECT_EQ(ReadBytes(project), "<missing>");
    file = Child();
    EXPECT_EQ(ReadBytes(project), "x");
    EXPECT_EQ(KindBelow(env, dir.path(), dir.path() + "\\none"), EntryKind::kMissing);
}

TEST_F(RealFiles, RewriteTakesBackLongLinesAndTruncates) {
    const std::string big(200000, 'b');
    WriteBytes(project, "a\r\n" + big + "AdditionalIncludeDirectories=\"x\"/>\r\n" + big + "\r\n");
    RewriteProjectFile(env, dir.path(), project, temp, "C:\\K\\Include", "C:\\K\\Lib");
    EXPECT_EQ(ReadBytes(project),
              "a\n\tAdditionalIncludeDirectories=\"C:\\K\\Include\"/>\n" + big + "\n");
    EXPECT_FALSE(PathExists(temp));

    WriteBytes(project, "a\n" + big + "AdditionalLibraryDirectories");
    RewriteProjectFile(env, dir.path(), project, temp, "I", "L");
    EXPECT_EQ(ReadBytes(project), "a\n\tAdditionalLibraryDirectories=\"L\"\n");
}

TEST_F(RealFiles, ProjectHeldOpenRaisesAndStaysUnchanged) {
    WriteBytes(project, "AdditionalIncludeDirectories\r\n");
    {
        testing::HeldOpen holder(project);
        ASSERT_TRUE(holder.held());
        EXPECT_THROW(RewriteProjectFile(env, dir.path(), project, temp, "I", "L"), FileError);
    }
    EXPECT_EQ(ReadBytes(project), "AdditionalIncludeDirectories\r\n");
    EXPECT_FALSE(PathExists(temp));
}

TEST_F(RealFiles, TemporaryFileHeldOpenRaisesAndLeavesTheProject) {
    WriteBytes(project, "AdditionalIncludeDirectories\r\n");
    WriteBytes(temp, "someone else's");
    {
        testing::HeldOpen holder(temp);
        ASSERT_TRUE(holder.held());
        EXPECT_THROW(RewriteProjectFile(env, dir.path(), project, temp, "I", "L"), FileError);
    }
    EXPECT_EQ(ReadBytes(project), "AdditionalIncludeDirectories\r\n");
    EXPECT_EQ(ReadBytes(temp), "someone else's");
    Child check;
    EXPECT_TRUE(OpenBelow(env, dir.path(), project, Access::kReadWrite, &check).ok());
    EXPECT_EQ(check.kind, EntryKind::kFile);
}

TEST_F(RealFiles, StampAppendsAtTheEndAndSkipsABusyLauncher) {
    const std::string launcher = dir.path() + "\\AddToolBand.vsz";
    WriteBytes(launcher, "VSWIZARD 7.0\r\nWizard=VsWizard.VsWizardEngine.8.0\r\n");
    EXPECT_TRUE(
        StampWizardLauncher(env, dir.path(), launcher, "Param=\"BASE_DIR = C:\\Kit\\\"").ok());
    EXPECT_EQ(ReadBytes(launcher),
              "VSWIZARD 7.0\r\nWizard=VsWizard.VsWizardEngine.8.0\r\n\n"
              "Param=\"BASE_DIR = C:\\Kit\\\"\n");

    WriteBytes(launcher, "busy");
    {
        testing::HeldOpen holder(launcher);
        ASSERT_TRUE(holder.held());
        EXPECT_EQ(StampWizardLauncher(env, dir.path(), launcher, "Param=x").code(),
                  ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(ReadBytes(launcher), "busy");
}

// The rule for what lies below a folder others may write, on the real file
// system: a second name of a file is no file of its own.
TEST_F(RealFiles, BelowTheFolderOnlyEntriesInTheirOwnPlaceCount) {
    const std::string root = dir.path() + "\\Kit\\";
    const std::string outside = dir.path() + "\\outside.txt";
    WriteBytes(root + "Samples\\P.vcproj", "p");
    WriteBytes(outside, "not for everyone");
    const std::string second = root + "Samples\\P1.vcproj";
    ASSERT_TRUE(CreateHardLinkA(second.c_str(), outside.c_str(), nullptr));

    EXPECT_EQ(KindBelow(env, root, root + "Samples\\P.vcproj"), EntryKind::kFile);
    EXPECT_EQ(KindBelow(env, root, root + "samples\\..\\Samples"), EntryKind::kFolder);
    EXPECT_EQ(KindBelow(env, root, root + "Samples\\none"), EntryKind::kMissing);
    EXPECT_EQ(KindBelow(env, root, second), EntryKind::kLink);
    EntryKind kind = EntryKind::kMissing;
    EXPECT_FALSE(InspectBelow(env, root, outside, &kind).ok());
    Child link;
    EXPECT_TRUE(OpenBelow(env, root, second, Access::kReadWrite, &link).ok());
    EXPECT_EQ(link.kind, EntryKind::kLink);
    EXPECT_FALSE(link.entry().IsOpen());

    // Cleared: the second name goes, the file it shared stays.
    Child samples;
    ASSERT_TRUE(OpenBelow(env, root, root + "Samples", Access::kLook, &samples).ok());
    ASSERT_EQ(samples.kind, EntryKind::kFolder);
    const Folder& folder = samples.folder;
    ASSERT_TRUE(ClearChild(folder, "P1.vcproj").ok());
    File file;
    ASSERT_TRUE(folder.NewFile("P1.vcproj", &file).ok());
    ASSERT_TRUE(file.Write("new", 3).ok());
    EXPECT_FALSE(folder.NewFile("P1.vcproj", &file).ok());
    EXPECT_EQ(ReadBytes(second), "new");
    EXPECT_EQ(ReadBytes(outside), "not for everyone");
    EXPECT_EQ(KindBelow(env, root, second), EntryKind::kFile);
    // A folder that is not empty at the name cannot go.
    WriteBytes(root + "Samples\\Q1.vcproj\\theirs", "t");
    EXPECT_FALSE(ClearChild(folder, "Q1.vcproj").ok());
    EXPECT_EQ(ReadBytes(root + "Samples\\Q1.vcproj\\theirs"), "t");
    // Names are single entries, exactly as given.
    for (const char* name : {"", ".", "..", "Q1.vcproj\\theirs", "P.vcproj:stream", "a/b"}) {
        Child child;
        EXPECT_EQ(folder.OpenChild(name, Access::kLook, &child).code(), ERROR_INVALID_NAME) << name;
        EXPECT_FALSE(folder.NewFile(name, &file).ok()) << name;
    }
}

TEST_F(RealFiles, RenameThroughTheHandleReplacesInOneStep) {
    WriteBytes(project, "old");
    Folder folder;
    File file;
    ASSERT_TRUE(env.OpenFolder(dir.path(), &folder).ok());
    ASSERT_TRUE(folder.NewFile("P1.vcproj", &file).ok());
    ASSERT_TRUE(file.Write("new", 3).ok());
    EXPECT_TRUE(file.MoveTo(folder, "P.vcproj", true).ok());
    file.Close();
    EXPECT_EQ(ReadBytes(project), "new");
    EXPECT_FALSE(PathExists(temp));
}

}  // namespace
}  // namespace orvane

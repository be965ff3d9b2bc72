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

TEST_F(RealFiles, NoSharingWhileOpen) {
    WriteBytes(project, "x");
    FileCloser file(env), second(env);
    ASSERT_EQ(OpenBelow(env, dir.path(), project, Access::kReadWrite, file.put()),
              EntryKind::kFile);
    EXPECT_EQ(OpenBelow(env, dir.path(), project, Access::kReadWrite, second.put()),
              EntryKind::kLink);
    EXPECT_EQ(ReadBytes(project), "<missing>");
    file.Close();
    EXPECT_EQ(ReadBytes(project), "x");
    EXPECT_EQ(OpenBelow(env, dir.path(), dir.path() + "\\none", Access::kReadWrite, file.put()),
              EntryKind::kMissing);
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
    FileCloser check(env);
    EXPECT_EQ(OpenBelow(env, dir.path(), project, Access::kReadWrite, check.put()),
              EntryKind::kFile);
}

TEST_F(RealFiles, StampAppendsAtTheEndAndSkipsABusyLauncher) {
    const std::string launcher = dir.path() + "\\AddToolBand.vsz";
    WriteBytes(launcher, "VSWIZARD 7.0\r\nWizard=VsWizard.VsWizardEngine.8.0\r\n");
    StampWizardLauncher(env, dir.path(), launcher, "Param=\"BASE_DIR = C:\\Kit\\\"");
    EXPECT_EQ(ReadBytes(launcher),
              "VSWIZARD 7.0\r\nWizard=VsWizard.VsWizardEngine.8.0\r\n\n"
              "Param=\"BASE_DIR = C:\\Kit\\\"\n");

    WriteBytes(launcher, "busy");
    {
        testing::HeldOpen holder(launcher);
        ASSERT_TRUE(holder.held());
        StampWizardLauncher(env, dir.path(), launcher, "Param=x");
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

    EXPECT_EQ(InspectBelow(env, root, root + "Samples\\P.vcproj"), EntryKind::kFile);
    EXPECT_EQ(InspectBelow(env, root, root + "samples\\..\\Samples"), EntryKind::kFolder);
    EXPECT_EQ(InspectBelow(env, root, root + "Samples\\none"), EntryKind::kMissing);
    EXPECT_EQ(InspectBelow(env, root, second), EntryKind::kLink);
    EXPECT_EQ(InspectBelow(env, root, outside), EntryKind::kLink);
    FileCloser file(env);
    EXPECT_EQ(OpenBelow(env, root, second, Access::kReadWrite, file.put()), EntryKind::kLink);
    EXPECT_EQ(file.get(), kNoHandle);

    // Cleared: the second name goes, the file it shared stays.
    FileCloser samples(env);
    ASSERT_EQ(OpenBelow(env, root, root + "Samples", Access::kLook, samples.put()),
              EntryKind::kFolder);
    ASSERT_TRUE(ClearChild(env, samples.get(), "P1.vcproj"));
    ASSERT_TRUE(env.CreateChild(samples.get(), "P1.vcproj", false, file.put()));
    ASSERT_TRUE(env.Write(file.get(), "new", 3));
    EXPECT_FALSE(env.CreateChild(samples.get(), "P1.vcproj", false, file.put()));
    EXPECT_EQ(ReadBytes(second), "new");
    EXPECT_EQ(ReadBytes(outside), "not for everyone");
    EXPECT_EQ(InspectBelow(env, root, second), EntryKind::kFile);
    // A folder that is not empty at the name cannot go.
    WriteBytes(root + "Samples\\Q1.vcproj\\theirs", "t");
    EXPECT_FALSE(ClearChild(env, samples.get(), "Q1.vcproj"));
    EXPECT_EQ(ReadBytes(root + "Samples\\Q1.vcproj\\theirs"), "t");
    // Names are single entries, exactly as given.
    for (const char* name : {"", ".", "..", "Q1.vcproj\\theirs", "P.vcproj:stream", "a/b"}) {
        EXPECT_EQ(env.OpenChild(samples.get(), name, Access::kLook, file.put()), EntryKind::kLink)
            << name;
        EXPECT_FALSE(env.CreateChild(samples.get(), name, false, file.put())) << name;
    }
}

TEST_F(RealFiles, RenameThroughTheHandleReplacesInOneStep) {
    WriteBytes(project, "old");
    FileCloser folder(env), file(env);
    ASSERT_TRUE(env.OpenFolder(dir.path(), false, folder.put()));
    ASSERT_TRUE(env.CreateChild(folder.get(), "P1.vcproj", false, file.put()));
    ASSERT_TRUE(env.Write(file.get(), "new", 3));
    EXPECT_TRUE(env.RenameOpened(file.get(), folder.get(), "P.vcproj", true));
    file.Close();
    EXPECT_EQ(ReadBytes(project), "new");
    EXPECT_FALSE(PathExists(temp));
}

}  // namespace
}  // namespace orvane

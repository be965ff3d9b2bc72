// The existence tests and tree operations on the real file system and shell.

#include <gtest/gtest.h>

#include "deploy/FileSystem.h"
#include "platform/WinEnv.h"
#include "tests/windows/WinTestSupport.h"

namespace orvane {
namespace {

using testing::PathExists;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

class RealFileSystem : public ::testing::Test {
  protected:
    std::string At(const std::string& relative) const { return dir.path() + "\\" + relative; }
    ScratchDir dir;
    WinEnv env;
};

TEST_F(RealFileSystem, ExistenceFollowsTheSearchRules) {
    WriteBytes(At("A\\B\\C\\f.txt"), "x");
    testing::MakeDirs(At("A\\Vc7"));
    EXPECT_TRUE(IsExistingFile(env, At("A\\B\\C\\f.txt")));
    EXPECT_FALSE(IsExistingDirectory(env, At("A\\B\\C\\f.txt")));
    EXPECT_TRUE(IsExistingDirectory(env, At("A\\B")));
    EXPECT_FALSE(IsExistingFile(env, At("A\\B")));
    EXPECT_FALSE(IsExistingFile(env, At("A\\missing")));
    EXPECT_TRUE(IsExistingDirectory(env, At("A\\B\\C\\..\\..\\vc7")));
    EXPECT_FALSE(IsExistingDirectory(env, At("A\\B\\")));
}

TEST_F(RealFileSystem, CopyTreeRules) {
    WriteBytes(At("X\\A\\f.txt"), "1");
    WriteBytes(At("X\\A\\sub\\g.txt"), std::string(200000, 'g'));
    const std::string root = dir.path();
    EXPECT_TRUE(CopyTree(env, root, At("X\\A"), root, At("Y\\B")));
    EXPECT_EQ(ReadBytes(At("Y\\B\\f.txt")), "1");
    EXPECT_EQ(ReadBytes(At("Y\\B\\sub\\g.txt")), std::string(200000, 'g'));
    EXPECT_TRUE(CopyTree(env, root, At("X\\A"), root, At("Y\\B")));
    EXPECT_EQ(ReadBytes(At("Y\\B\\A\\f.txt")), "1");

    WriteBytes(At("Z\\same.txt"), "old");
    WriteBytes(At("Z\\other.txt"), "o");
    WriteBytes(At("X\\A\\same.txt"), "new");
    EXPECT_TRUE(CopyTree(env, root, At("X\\A\\*"), At("Z"), At("Z")));
    EXPECT_EQ(ReadBytes(At("Z\\same.txt")), "new");
    EXPECT_EQ(ReadBytes(At("Z\\other.txt")), "o");
    EXPECT_EQ(ReadBytes(At("Z\\sub\\g.txt")).size(), 200000u);
    EXPECT_FALSE(PathExists(At("Z\\A")));

    EXPECT_FALSE(CopyTree(env, root, At("X\\missing"), root, At("W")));
    EXPECT_FALSE(PathExists(At("W")));
}

// On the real file system: a second name of a file is neither copied nor
// followed, and deleting it removes that name only.
TEST_F(RealFileSystem, HardLinksAreNotCopiedAndLoseOnlyTheirOwnName) {
    WriteBytes(At("outside.txt"), "not for everyone");
    WriteBytes(At("X\\A\\f.txt"), "1");
    ASSERT_TRUE(
        CreateHardLinkA(At("X\\A\\second.txt").c_str(), At("outside.txt").c_str(), nullptr));
    EXPECT_FALSE(IsFreeOfLinks(env, dir.path(), At("X")));
    EXPECT_FALSE(CopyTree(env, dir.path(), At("X\\A"), dir.path(), At("Y")));
    EXPECT_EQ(ReadBytes(At("Y\\f.txt")), "1");
    EXPECT_FALSE(PathExists(At("Y\\second.txt")));
    EXPECT_TRUE(DeleteTree(env, dir.path(), At("X")));
    EXPECT_FALSE(PathExists(At("X")));
    EXPECT_EQ(ReadBytes(At("outside.txt")), "not for everyone");
}

TEST_F(RealFileSystem, DeleteTreeRemovesEverythingAndReportsMissingPaths) {
    WriteBytes(At("D\\a.txt"), "a");
    WriteBytes(At("D\\sub\\deeper\\b.txt"), "b");
    EXPECT_TRUE(DeleteTree(env, dir.path(), At("D")));
    EXPECT_FALSE(PathExists(At("D")));
    EXPECT_FALSE(DeleteTree(env, dir.path(), At("D")));
}

}  // namespace
}  // namespace orvane

// The existence tests, copies and deletes on the real file system.

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

TEST_F(RealFileSystem, ACopyTakesEveryEntryIntoAFreshFolder) {
    WriteBytes(At("X\\A\\f.txt"), "1");
    WriteBytes(At("X\\A\\sub\\g.txt"), std::string(200000, 'g'));
    FileCloser from(env), to(env);
    ASSERT_TRUE(env.OpenFolder(At("X\\A"), false, from.put()));
    ASSERT_TRUE(env.OpenFolder(At("Y\\B"), true, to.put()));
    EXPECT_TRUE(CopyFolderContent(env, from.get(), At("X\\A"), to.get(), At("Y\\B")));
    EXPECT_EQ(ReadBytes(At("Y\\B\\f.txt")), "1");
    EXPECT_EQ(ReadBytes(At("Y\\B\\sub\\g.txt")), std::string(200000, 'g'));
    EXPECT_FALSE(env.OpenFolder(At("X\\missing"), false, from.put()));
}

// On the real file system: a second name of a file is neither copied nor
// followed, and deleting it removes that name only.
TEST_F(RealFileSystem, HardLinksAreNotCopiedAndLoseOnlyTheirOwnName) {
    WriteBytes(At("outside.txt"), "not for everyone");
    WriteBytes(At("X\\A\\f.txt"), "1");
    ASSERT_TRUE(
        CreateHardLinkA(At("X\\A\\second.txt").c_str(), At("outside.txt").c_str(), nullptr));
    EXPECT_FALSE(IsFreeOfLinks(env, dir.path(), At("X")));
    {
        FileCloser from(env), to(env), top(env);
        ASSERT_TRUE(env.OpenFolder(At("X\\A"), false, from.put()));
        ASSERT_TRUE(env.OpenFolder(At("Y"), true, to.put()));
        EXPECT_FALSE(CopyFolderContent(env, from.get(), At("X\\A"), to.get(), At("Y")));
        EXPECT_EQ(ReadBytes(At("Y\\f.txt")), "1");
        EXPECT_FALSE(PathExists(At("Y\\second.txt")));
        from.Close();
        ASSERT_TRUE(env.OpenFolder(dir.path(), false, top.put()));
        EXPECT_TRUE(DeleteEntry(env, top.get(), dir.path(), "X"));
    }
    EXPECT_FALSE(PathExists(At("X")));
    EXPECT_EQ(ReadBytes(At("outside.txt")), "not for everyone");
}

TEST_F(RealFileSystem, DeleteEntryRemovesEverything) {
    WriteBytes(At("D\\a.txt"), "a");
    WriteBytes(At("D\\sub\\deeper\\b.txt"), "b");
    {
        FileCloser top(env);
        ASSERT_TRUE(env.OpenFolder(dir.path(), false, top.put()));
        EXPECT_TRUE(DeleteEntry(env, top.get(), dir.path(), "D"));
        EXPECT_TRUE(DeleteEntry(env, top.get(), dir.path(), "D"));
    }
    EXPECT_FALSE(PathExists(At("D")));
}

}  // namespace
}  // namespace orvane

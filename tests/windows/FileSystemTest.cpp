// The existence tests and tree operations on the real file system and shell.

#include <gtest/gtest.h>

#include <vector>

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
    WriteBytes(At("X\\A\\sub\\g.txt"), "2");
    EXPECT_TRUE(CopyTree(env, At("X\\A"), At("Y\\B")));
    EXPECT_EQ(ReadBytes(At("Y\\B\\f.txt")), "1");
    EXPECT_EQ(ReadBytes(At("Y\\B\\sub\\g.txt")), "2");
    EXPECT_TRUE(CopyTree(env, At("X\\A"), At("Y\\B")));
    EXPECT_EQ(ReadBytes(At("Y\\B\\A\\sub\\g.txt")), "2");

    WriteBytes(At("Z\\same.txt"), "old");
    WriteBytes(At("Z\\other.txt"), "o");
    WriteBytes(At("X\\A\\same.txt"), "new");
    EXPECT_TRUE(CopyTree(env, At("X\\A\\*"), At("Z")));
    EXPECT_EQ(ReadBytes(At("Z\\same.txt")), "new");
    EXPECT_EQ(ReadBytes(At("Z\\other.txt")), "o");
    EXPECT_EQ(ReadBytes(At("Z\\sub\\g.txt")), "2");
    EXPECT_FALSE(PathExists(At("Z\\A")));

    EXPECT_FALSE(CopyTree(env, At("X\\missing"), At("W")));
}

TEST_F(RealFileSystem, ACopyHasArrivedOnlyWhenEveryFileIsThereWithItsSize) {
    WriteBytes(At("S\\a.txt"), std::string(70000, 'a'));
    WriteBytes(At("S\\Sub\\b.txt"), "");
    testing::MakeDirs(At("S\\Empty"));
    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(env.ListDirectory(At("S"), &entries));
    ASSERT_EQ(entries.size(), 3u);
    for (const DirectoryEntry& entry : entries) {
        const bool folder = (entry.attributes & kAttributeDirectory) != 0;
        EXPECT_EQ(folder, entry.name != "a.txt") << entry.name;
        if (entry.name == "a.txt") {
            EXPECT_EQ(entry.size, 70000u);
        }
    }
    EXPECT_FALSE(env.ListDirectory(At("S\\a.txt"), &entries));
    EXPECT_FALSE(env.ListDirectory(At("missing"), &entries));

    ASSERT_TRUE(CopyTree(env, At("S"), At("T")));
    EXPECT_TRUE(HoldsContentOf(env, At("S"), At("t")));
    WriteBytes(At("T\\extra.txt"), "theirs");
    EXPECT_TRUE(HoldsContentOf(env, At("S"), At("T")));
    WriteBytes(At("T\\Sub\\b.txt"), "x");
    EXPECT_FALSE(HoldsContentOf(env, At("S"), At("T")));
    WriteBytes(At("T\\Sub\\b.txt"), "");
    ASSERT_TRUE(DeleteTree(env, At("T\\Empty")));
    EXPECT_FALSE(HoldsContentOf(env, At("S"), At("T")));
    EXPECT_FALSE(HoldsContentOf(env, At("S"), At("missing")));
}

TEST_F(RealFileSystem, DeleteTreeRemovesEverythingAndReportsMissingPaths) {
    WriteBytes(At("D\\a.txt"), "a");
    WriteBytes(At("D\\sub\\deeper\\b.txt"), "b");
    EXPECT_TRUE(DeleteTree(env, At("D")));
    EXPECT_FALSE(PathExists(At("D")));
    EXPECT_FALSE(DeleteTree(env, At("D")));
}

TEST_F(RealFileSystem, PathsBeyond258CharactersAreRefusedAndUntouched) {
    const auto fileOf = [&](std::size_t length) {
        const std::string folder = At("L");
        return folder + "\\" + std::string(length - folder.size() - 1, 'f');
    };
    testing::MakeDirs(At("L"));
    const std::string fits = fileOf(kMaxTreePathLength);
    const std::string tooLong = fileOf(kMaxTreePathLength + 1);
    WriteBytes(fits, "258");
    WriteBytes(tooLong, "259");
    ASSERT_EQ(ReadBytes(tooLong), "259");

    EXPECT_FALSE(DeleteTree(env, tooLong));
    EXPECT_EQ(ReadBytes(tooLong), "259");
    EXPECT_FALSE(CopyTree(env, tooLong, At("copy")));
    EXPECT_FALSE(CopyTree(env, fits, tooLong + "x"));
    EXPECT_FALSE(DeleteTree(env, At("L") + std::string(1000, 'z')));
    EXPECT_FALSE(PathExists(At("copy")));

    EXPECT_TRUE(DeleteTree(env, fits));
    EXPECT_FALSE(PathExists(fits));
    EXPECT_EQ(ReadBytes(tooLong), "259");
}

}  // namespace
}  // namespace orvane

#include "deploy/FileSystem.h"

#include <gtest/gtest.h>

#include "tests/native/FakeEnv.h"

namespace orvane {
namespace {

TEST(ExistenceTests, FilesFoldersAndMissingPaths) {
    FakeEnv env;
    env.AddFile("C:\\A\\B\\C\\f.txt", "x");
    env.AddDirectory("C:\\A\\VC7");
    EXPECT_TRUE(IsExistingFile(env, "C:\\A\\B\\C\\f.txt"));
    EXPECT_FALSE(IsExistingDirectory(env, "C:\\A\\B\\C\\f.txt"));
    EXPECT_TRUE(IsExistingDirectory(env, "C:\\A\\B"));
    EXPECT_FALSE(IsExistingFile(env, "C:\\A\\B"));
    EXPECT_FALSE(IsExistingFile(env, "C:\\A\\missing"));
    EXPECT_FALSE(IsExistingDirectory(env, "C:\\A\\missing"));
    EXPECT_TRUE(IsExistingDirectory(env, "C:\\A\\B\\C\\..\\..\\vc7"));
    EXPECT_FALSE(IsExistingDirectory(env, "C:\\A\\B\\"));
    EXPECT_EQ(env.OpenSearchCount(), 0u);
}

TEST(DeleteTree, RemovesAWholeFolderAndReportsAMissingOne) {
    FakeEnv env;
    env.AddFile("C:\\T\\D\\a.txt", "a");
    env.AddFile("C:\\T\\D\\sub\\deeper\\b.txt", "b");
    env.AddFile("C:\\T\\keep.txt", "k");
    EXPECT_TRUE(DeleteTree(env, "C:\\T\\D"));
    EXPECT_EQ(env.Tree("C:\\T"), (std::vector<std::string>{"keep.txt=k"}));
    EXPECT_EQ(env.LastFileOperationFlags(), kTreeOperationFlags);
    EXPECT_FALSE(DeleteTree(env, "C:\\T\\D"));
}

TEST(CopyTree, FolderToMissingThenExistingDestination) {
    FakeEnv env;
    env.AddFile("X\\A\\f.txt", "1");
    env.AddFile("X\\A\\sub\\g.txt", "2");
    EXPECT_TRUE(CopyTree(env, "X\\A", "Y\\B"));
    EXPECT_EQ(env.Tree("Y\\B"), (std::vector<std::string>{"f.txt=1", "sub\\", "sub\\g.txt=2"}));
    EXPECT_TRUE(CopyTree(env, "X\\A", "Y\\B"));
    EXPECT_TRUE(env.IsDirectory("Y\\B\\A"));
    EXPECT_EQ(env.Content("Y\\B\\A\\sub\\g.txt"), "2");
    EXPECT_EQ(env.LastFileOperationFlags(), kTreeOperationFlags);
}

TEST(TreeOperations, ShellErrorNoticesAreSuppressedOnlyWhereNobodyCanSeeThem) {
    FakeEnv env;
    env.AddFile("X\\A\\f.txt", "1");
    env.SetInteractive(false);
    EXPECT_TRUE(CopyTree(env, "X\\A", "Y\\B"));
    EXPECT_EQ(env.LastFileOperationFlags(), kTreeOperationFlags | kNoErrorNotices);
    EXPECT_TRUE(DeleteTree(env, "Y\\B"));
    EXPECT_EQ(env.LastFileOperationFlags(), 0x0414u);
}

TEST(CopyTree, ContentOfAFolderMergesIntoTheDestination) {
    FakeEnv env;
    env.AddFile("X\\A\\same.txt", "new");
    env.AddFile("X\\A\\W\\w.js", "w");
    env.AddFile("Y\\B\\same.txt", "old");
    env.AddFile("Y\\B\\other.txt", "o");
    EXPECT_TRUE(CopyTree(env, "X\\A\\*", "Y\\B"));
    EXPECT_EQ(env.Tree("Y\\B"),
              (std::vector<std::string>{"other.txt=o", "same.txt=new", "W\\", "W\\w.js=w"}));
    EXPECT_FALSE(CopyTree(env, "X\\missing", "Y\\C"));
}

TEST(TreeOperations, PathsLongerThan258CharactersAreRefusedUntouched) {
    FakeEnv env;
    const auto pathOf = [](std::size_t length) { return "C:\\" + std::string(length - 3, 'p'); };
    const std::string fits = pathOf(kMaxTreePathLength);
    env.AddFile(fits + "\\f", "x");
    env.AddFile(pathOf(259) + "\\f", "x");
    env.ClearLog();

    EXPECT_FALSE(DeleteTree(env, pathOf(259)));
    EXPECT_FALSE(DeleteTree(env, pathOf(1000)));
    EXPECT_FALSE(CopyTree(env, fits, pathOf(259)));
    EXPECT_FALSE(CopyTree(env, pathOf(259), "C:\\short"));
    EXPECT_FALSE(CopyTree(env, "C:\\short", pathOf(1000)));
    EXPECT_TRUE(env.Log().empty());
    EXPECT_TRUE(env.Exists(pathOf(259) + "\\f"));

    EXPECT_TRUE(DeleteTree(env, fits));
    EXPECT_EQ(env.Log(), (std::vector<std::string>{"delete " + fits}));
}

TEST(TreeOperations, AnEmbeddedZeroByteIsRefused) {
    FakeEnv env;
    env.AddFile("C:\\VC\\f", "x");
    EXPECT_FALSE(DeleteTree(env, std::string("C:\\VC\0\\sub", 10)));
    EXPECT_TRUE(env.Exists("C:\\VC\\f"));
}

TEST(TreeOperations, AbortedOrFailedOperationsAreFalse) {
    FakeEnv env;
    env.AddFile("C:\\T\\f", "x");
    env.FailCall(Call::kFileOperation);
    EXPECT_FALSE(DeleteTree(env, "C:\\T"));
    EXPECT_TRUE(DeleteTree(env, "C:\\T"));
}

}  // namespace
}  // namespace orvane

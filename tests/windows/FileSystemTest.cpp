// The existence tests, copies and deletes on the real file system.

#include <gtest/gtest.h>

#include <thread>

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

TEST_F(RealFileSystem, ExistenceIsAskedByOpening) {
    WriteBytes(At("A\\B\\C\\f.txt"), "x");
    testing::MakeDirs(At("A\\Vc7"));
    EXPECT_TRUE(IsExistingFile(env, At("A\\B\\C\\f.txt")));
    EXPECT_FALSE(IsExistingDirectory(env, At("A\\B\\C\\f.txt")));
    EXPECT_TRUE(IsExistingDirectory(env, At("A\\B")));
    EXPECT_FALSE(IsExistingFile(env, At("A\\B")));
    EXPECT_FALSE(IsExistingFile(env, At("A\\missing")));
    EXPECT_TRUE(IsExistingDirectory(env, At("A\\B\\C\\..\\..\\vc7")));
    EXPECT_TRUE(IsExistingDirectory(env, At("A\\B\\")));
    EXPECT_FALSE(IsExistingFile(env, At("A\\B\\C\\f.txt\\")));
}

TEST_F(RealFileSystem, ACopyTakesEveryEntryIntoAFreshFolder) {
    WriteBytes(At("X\\A\\f.txt"), "1");
    WriteBytes(At("X\\A\\sub\\g.txt"), std::string(200000, 'g'));
    Folder from, to;
    PendingWrites pending(env);
    ASSERT_TRUE(env.OpenFolder(At("X\\A"), &from).ok());
    ASSERT_TRUE(CreateDirectoryA(At("Y").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(At("Y\\B").c_str(), nullptr));
    ASSERT_TRUE(env.OpenFolder(At("Y\\B"), &to).ok());
    EXPECT_TRUE(
        CopyFolderContent(from, At("X\\A"), to, At("Y\\B"), Destination::kNew, pending).ok());
    EXPECT_EQ(pending.count(), 2u);
    EXPECT_TRUE(pending.MakeDurable().ok());
    EXPECT_EQ(ReadBytes(At("Y\\B\\f.txt")), "1");
    EXPECT_EQ(ReadBytes(At("Y\\B\\sub\\g.txt")), std::string(200000, 'g'));
    EXPECT_TRUE(env.OpenFolder(At("X\\missing"), &from).IsNotFound());
    EXPECT_FALSE(from.IsOpen());
}

// On the real file system: a second name of a file is neither copied nor
// followed, and deleting it removes that name only.
TEST_F(RealFileSystem, HardLinksAreNotCopiedAndLoseOnlyTheirOwnName) {
    WriteBytes(At("outside.txt"), "not for everyone");
    WriteBytes(At("X\\A\\f.txt"), "1");
    ASSERT_TRUE(
        CreateHardLinkA(At("X\\A\\second.txt").c_str(), At("outside.txt").c_str(), nullptr));
    EXPECT_EQ(CheckFreeOfLinks(env, dir.path(), At("X")).reason(),
              At("X\\A\\second.txt") + ": " + kNotItself);
    {
        Folder from, to, top;
        PendingWrites pending(env);
        ASSERT_TRUE(env.OpenFolder(At("X\\A"), &from).ok());
        ASSERT_TRUE(CreateDirectoryA(At("Y").c_str(), nullptr));
        ASSERT_TRUE(env.OpenFolder(At("Y"), &to).ok());
        EXPECT_FALSE(
            CopyFolderContent(from, At("X\\A"), to, At("Y"), Destination::kNew, pending).ok());
        pending.Drop();  // closes the copies, to be read
        EXPECT_EQ(ReadBytes(At("Y\\f.txt")), "1");
        EXPECT_FALSE(PathExists(At("Y\\second.txt")));
        from.Close();
        ASSERT_TRUE(env.OpenFolder(dir.path(), &top).ok());
        EXPECT_TRUE(DeleteEntry(env, top, dir.path(), "X").ok());
    }
    EXPECT_FALSE(PathExists(At("X")));
    EXPECT_EQ(ReadBytes(At("outside.txt")), "not for everyone");
}

TEST_F(RealFileSystem, DeleteEntryRemovesEverything) {
    WriteBytes(At("D\\a.txt"), "a");
    WriteBytes(At("D\\sub\\deeper\\b.txt"), "b");
    {
        Folder top;
        ASSERT_TRUE(env.OpenFolder(dir.path(), &top).ok());
        EXPECT_TRUE(DeleteEntry(env, top, dir.path(), "D").ok());
        EXPECT_TRUE(DeleteEntry(env, top, dir.path(), "D").ok());
    }
    EXPECT_FALSE(PathExists(At("D")));
}

// An indexer keeps one file from being opened, a scanner has another
// deleted but not gone, both for a moment: the folder goes after them. One
// held for good makes the deletion fail, saying so, never report a folder
// that stays as gone.
TEST_F(RealFileSystem, DeleteEntryWaitsOutAProgramThatLetsGoSoon) {
    const DWORD sharingAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    WriteBytes(At("D\\indexed.txt"), "i");
    WriteBytes(At("D\\scanned.txt"), "s");
    testing::HeldOpen indexed(At("D\\indexed.txt"));
    testing::HeldOpen scanned(At("D\\scanned.txt"), sharingAll);
    Folder top;
    ASSERT_TRUE(env.OpenFolder(dir.path(), &top).ok());
    std::thread lettingGo([&] {
        Sleep(20);
        indexed.LetGo();
        scanned.LetGo();
    });
    const Status deleted = DeleteEntry(env, top, dir.path(), "D");
    lettingGo.join();
    EXPECT_TRUE(deleted.ok()) << deleted.reason();
    EXPECT_FALSE(PathExists(At("D")));

    WriteBytes(At("E\\scanned.txt"), "s");
    testing::HeldOpen forGood(At("E\\scanned.txt"), sharingAll);
    EXPECT_FALSE(DeleteEntry(env, top, dir.path(), "E").ok());
    EXPECT_TRUE(PathExists(At("E")));
}

}  // namespace
}  // namespace orvane

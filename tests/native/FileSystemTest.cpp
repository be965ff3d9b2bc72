#include "deploy/FileSystem.h"

#include <gtest/gtest.h>

#include "tests/native/FakeEnv.h"

namespace orvane {
namespace {

using Lines = std::vector<std::string>;

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
    EXPECT_TRUE(IsExistingDirectory(env, "C:\\A\\B\\"));
    EXPECT_FALSE(IsExistingFile(env, "C:\\A\\B\\C\\f.txt\\"));
    // A folder that refuses to be opened is still there.
    env.FailCall(Call::kOpenFolder, 1, "access denied");
    EXPECT_TRUE(IsExistingDirectory(env, "C:\\A\\missing"));
    EXPECT_EQ(env.OpenFileCount(), 0u);
}

TEST(NamesBelow, OnlyWhatLiesBelowTheRoot) {
    Lines names;
    EXPECT_TRUE(NamesBelow("C:\\Kit\\", "c:\\KIT\\Templates\\.\\9.0\\\\x\\..\\y", &names));
    EXPECT_EQ(names, (Lines{"Templates", "9.0", "y"}));
    EXPECT_TRUE(NamesBelow("C:\\VC\\vcprojects", "C:\\VC\\vcprojects", &names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(NamesBelow(".\\", "Samples\\A\\a.vcproj", &names));
    EXPECT_EQ(names, (Lines{"Samples", "A", "a.vcproj"}));
    EXPECT_FALSE(NamesBelow("C:\\Kit\\", "C:\\Kit\\Templates\\..\\..\\Windows", &names));
    EXPECT_FALSE(NamesBelow("C:\\VC\\vcprojects", "C:\\VC\\vcprojectsX\\a", &names));
    EXPECT_FALSE(NamesBelow("C:\\Kit\\", "D:\\Kit\\a", &names));
    EXPECT_FALSE(NamesBelow(".\\", "C:\\Samples", &names));
}

// What a copy meets below its source, and each call failing: nothing
// unchecked is copied, and a copy that misses anything says so.
TEST(CopyFolderContent, NothingUncheckedIsCopiedAndEveryMissingEntryIsReported) {
    const auto product = [](FakeEnv& env) {
        env.AddDirectory("C:\\VC\\T");
        env.AddFile("C:\\X\\A\\a.txt", std::string(200000, 'a'));
        env.AddFile("C:\\X\\A\\sub\\b.txt", "b");
        env.AddFile("C:\\X\\A\\sub\\c.txt", "c");
    };
    const auto copy = [](FakeEnv& env) {
        Folder from, to;
        PendingWrites pending(env);
        return env.OpenFolder("C:\\X\\A", &from).ok() && env.OpenFolder("C:\\VC\\T", &to).ok() &&
               CopyFolderContent(from, "C:\\X\\A", to, "C:\\VC\\T", Destination::kNew, pending)
                   .ok() &&
               pending.MakeDurable().ok();
    };
    {
        FakeEnv env;
        product(env);
        env.AddLink("C:\\X\\A\\sub\\link", true);
        env.AddFile("C:\\X\\A\\sub\\secret\xef\xbc\x8e", "x");
        env.MarkInexact("C:\\X\\A\\sub\\secret\xef\xbc\x8e");
        env.AddFile("C:\\X\\A\\nul.txt", "a device's name");
        EXPECT_FALSE(copy(env));
        EXPECT_EQ(env.Tree("C:\\VC\\T"), (Lines{"a.txt=" + std::string(200000, 'a'), "sub\\",
                                                "sub\\b.txt=b", "sub\\c.txt=c"}));
    }
    for (const Call call : {Call::kOpenFolder, Call::kOpenChild, Call::kListFolder, Call::kCreate,
                            Call::kRead, Call::kWrite, Call::kFlush}) {
        for (int nth = 1; nth <= 4; ++nth) {
            FakeEnv env;
            product(env);
            env.FailCall(call, nth);
            const bool copied = copy(env);
            EXPECT_EQ(copied, env.CallCount(call) < nth) << static_cast<int>(call) << " " << nth;
            EXPECT_EQ(env.OpenFileCount(), 0u);
            if (!copied && env.Exists("C:\\VC\\T\\sub\\c.txt")) {
                EXPECT_EQ(env.Content("C:\\VC\\T\\sub\\c.txt"), "c");
            }
        }
    }
}

TEST(DeleteEntry, RemovesAWholeFolderLinksThemselvesAndReportsWhatStays) {
    FakeEnv env;
    env.AddFile("C:\\T\\D\\a.txt", "a");
    env.AddFile("C:\\T\\D\\sub\\deeper\\b.txt", "b");
    env.AddLink("C:\\T\\D\\sub\\planted", true);
    env.AddLink("C:\\T\\D\\file", false);
    env.AddFile("C:\\T\\keep.txt", "k");
    {
        Folder top;
        ASSERT_TRUE(env.OpenFolder("C:\\T", &top).ok());
        EXPECT_TRUE(DeleteEntry(env, top, "C:\\T", "D").ok());
        EXPECT_EQ(env.Tree("C:\\T"), (Lines{"keep.txt=k"}));
        EXPECT_TRUE(DeleteEntry(env, top, "C:\\T", "D").ok());

        env.AddFile("C:\\T\\E\\a.txt", "a");
        env.AddFile("C:\\T\\E\\look-alike", "x");
        env.MarkInexact("C:\\T\\E\\look-alike");
        EXPECT_EQ(
            DeleteEntry(env, top, "C:\\T", "E").reason(),
            "C:\\T\\E\\look-alike: its name has a character the code page cannot hold exactly");
        EXPECT_EQ(env.Tree("C:\\T\\E"), (Lines{"look-alike=x"}));
        // Each failure carries its own reason, never another call's.
        env.FailCall(Call::kDelete, 1, "held by the indexer");
        EXPECT_EQ(DeleteEntry(env, top, "C:\\T", "keep.txt").reason(),
                  "C:\\T\\keep.txt: held by the indexer");
        env.SetReadOnly("C:\\T\\keep.txt", true);
        EXPECT_EQ(DeleteEntry(env, top, "C:\\T", "keep.txt").reason(),
                  "C:\\T\\keep.txt: it is read-only");
    }
    EXPECT_EQ(env.OpenFileCount(), 0u);
}

TEST(DeleteEntry, WaitsOutABrieflyHeldEntryAndGivesUpOnOneHeldForGood) {
    FakeEnv env;
    env.AddFile("C:\\T\\D\\indexed.txt", "i");
    env.AddFile("C:\\T\\D\\scanned.txt", "s");
    env.AddFile("C:\\T\\open.txt", "o");
    Folder top;
    ASSERT_TRUE(env.OpenFolder("C:\\T", &top).ok());
    // One file cannot be opened for two pauses; the other is deleted at
    // once but stays, its folder not empty, for three.
    env.HoldOpen("C:\\T\\D\\indexed.txt", 2);
    env.HoldOpen("C:\\T\\D\\scanned.txt", 3, true);
    EXPECT_TRUE(DeleteEntry(env, top, "C:\\T", "D").ok());
    EXPECT_EQ(env.Tree("C:\\T"), (Lines{"open.txt=o"}));

    env.HoldOpen("C:\\T\\open.txt");
    const unsigned before = env.Paused();
    EXPECT_EQ(DeleteEntry(env, top, "C:\\T", "open.txt").reason(),
              "C:\\T\\open.txt: another program has it open");
    EXPECT_GT(env.Paused() - before, 0u);
    EXPECT_LE(env.Paused() - before, 400u);
}

}  // namespace
}  // namespace orvane

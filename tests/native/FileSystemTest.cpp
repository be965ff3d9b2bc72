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
    EXPECT_FALSE(IsExistingDirectory(env, "C:\\A\\B\\"));
    EXPECT_EQ(env.OpenSearchCount(), 0u);
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

TEST(CopyTree, FolderToMissingThenExistingDestination) {
    FakeEnv env;
    env.AddFile("C:\\X\\A\\f.txt", "1");
    env.AddFile("C:\\X\\A\\sub\\g.txt", "2");
    EXPECT_TRUE(CopyTree(env, "C:\\X\\", "C:\\X\\A", "C:\\Y", "C:\\Y\\B\\C"));
    EXPECT_EQ(env.Tree("C:\\Y\\B\\C"), (Lines{"f.txt=1", "sub\\", "sub\\g.txt=2"}));
    EXPECT_TRUE(CopyTree(env, "C:\\X\\", "C:\\X\\A", "C:\\Y", "C:\\Y\\B\\C"));
    EXPECT_EQ(env.Content("C:\\Y\\B\\C\\A\\sub\\g.txt"), "2");
    EXPECT_EQ(env.OpenFileCount(), 0u);

    // A file goes under the destination's name, or into it when it is a folder.
    EXPECT_TRUE(CopyTree(env, "C:\\X\\", "C:\\X\\A\\f.txt", "C:\\Y", "C:\\Y\\g.txt"));
    EXPECT_TRUE(CopyTree(env, "C:\\X\\", "C:\\X\\A\\f.txt", "C:\\Y", "C:\\Y\\B"));
    EXPECT_EQ(env.Content("C:\\Y\\g.txt") + env.Content("C:\\Y\\B\\f.txt"), "11");
}

TEST(CopyTree, ContentOfAFolderMergesIntoTheDestination) {
    FakeEnv env;
    env.AddFile("C:\\X\\A\\same.txt", "new");
    env.AddFile("C:\\X\\A\\W\\w.js", "w");
    env.AddFile("C:\\Y\\B\\same.txt", "old");
    env.AddFile("C:\\Y\\B\\other.txt", "o");
    EXPECT_TRUE(CopyTree(env, "C:\\X\\", "C:\\X\\A\\*", "C:\\Y\\B", "C:\\Y\\B"));
    EXPECT_EQ(env.Tree("C:\\Y\\B"), (Lines{"other.txt=o", "same.txt=new", "W\\", "W\\w.js=w"}));
    EXPECT_FALSE(CopyTree(env, "C:\\X\\", "C:\\X\\missing", "C:\\Y", "C:\\Y\\C"));
    EXPECT_FALSE(CopyTree(env, "C:\\X\\", "C:\\X\\A\\same.txt\\*", "C:\\Y", "C:\\Y\\C"));
    EXPECT_FALSE(env.Exists("C:\\Y\\C"));
}

// What the walk meets below its two roots, and each call failing.
TEST(CopyTree, NothingUncheckedIsCopiedAndEveryMissingEntryIsReported) {
    const auto product = [](FakeEnv& env) {
        env.AddFile("C:\\X\\A\\a.txt", std::string(200000, 'a'));
        env.AddFile("C:\\X\\A\\sub\\b.txt", "b");
        env.AddFile("C:\\X\\A\\sub\\c.txt", "c");
    };
    const auto copy = [](FakeEnv& env) {
        return CopyTree(env, "C:\\X\\", "C:\\X\\A", "C:\\VC\\vcprojects", "C:\\VC\\vcprojects\\T");
    };
    {
        FakeEnv env;
        product(env);
        env.AddLink("C:\\X\\A\\sub\\link", true);
        env.AddFile("C:\\X\\A\\sub\\secret\xef\xbc\x8e", "x");
        env.MarkInexact("C:\\X\\A\\sub\\secret\xef\xbc\x8e");
        EXPECT_FALSE(copy(env));
        EXPECT_EQ(
            env.Tree("C:\\VC\\vcprojects\\T"),
            (Lines{"a.txt=" + std::string(200000, 'a'), "sub\\", "sub\\b.txt=b", "sub\\c.txt=c"}));
    }
    for (const Call call : {Call::kOpenFolder, Call::kOpenChild, Call::kListFolder, Call::kCreate,
                            Call::kRead, Call::kWrite}) {
        for (int nth = 1; nth <= 4; ++nth) {
            FakeEnv env;
            product(env);
            env.FailCall(call, nth);
            const bool copied = copy(env);
            EXPECT_EQ(copied, env.CallCount(call) < nth) << static_cast<int>(call) << " " << nth;
            EXPECT_EQ(env.OpenFileCount(), 0u);
            if (!copied && env.Exists("C:\\VC\\vcprojects\\T\\sub\\c.txt")) {
                EXPECT_EQ(env.Content("C:\\VC\\vcprojects\\T\\sub\\c.txt"), "c");
            }
        }
    }
}

TEST(DeleteTree, RemovesAWholeFolderLinksThemselvesAndReportsWhatStays) {
    FakeEnv env;
    env.AddFile("C:\\T\\D\\a.txt", "a");
    env.AddFile("C:\\T\\D\\sub\\deeper\\b.txt", "b");
    env.AddLink("C:\\T\\D\\sub\\planted", true);
    env.AddLink("C:\\T\\D\\file", false);
    env.AddFile("C:\\T\\keep.txt", "k");
    EXPECT_TRUE(DeleteTree(env, "C:\\T", "C:\\T\\D"));
    EXPECT_EQ(env.Tree("C:\\T"), (Lines{"keep.txt=k"}));
    EXPECT_FALSE(DeleteTree(env, "C:\\T", "C:\\T\\D"));
    EXPECT_FALSE(DeleteTree(env, "C:\\T", "C:\\T"));

    env.AddFile("C:\\T\\E\\a.txt", "a");
    env.AddFile("C:\\T\\E\\look-alike", "x");
    env.MarkInexact("C:\\T\\E\\look-alike");
    EXPECT_FALSE(DeleteTree(env, "C:\\T", "C:\\T\\E"));
    EXPECT_EQ(env.Tree("C:\\T\\E"), (Lines{"look-alike=x"}));
    env.FailCall(Call::kDelete);
    EXPECT_FALSE(DeleteTree(env, "C:\\T", "C:\\T\\keep.txt"));
    EXPECT_EQ(env.OpenFileCount(), 0u);
}

TEST(TreeOperations, PathsLongerThan258CharactersOrWithAZeroByteAreRefusedUntouched) {
    FakeEnv env;
    const auto pathOf = [](std::size_t length) { return "C:\\" + std::string(length - 3, 'p'); };
    const std::string fits = pathOf(kMaxTreePathLength);
    env.AddFile(fits + "\\f", "x");
    env.AddFile(pathOf(259) + "\\f", "x");
    env.ClearLog();

    EXPECT_FALSE(DeleteTree(env, "C:\\", pathOf(259)));
    EXPECT_FALSE(DeleteTree(env, "C:\\", pathOf(1000)));
    EXPECT_FALSE(CopyTree(env, "C:\\", fits, "C:\\", pathOf(259)));
    EXPECT_FALSE(CopyTree(env, "C:\\", pathOf(259), "C:\\", "C:\\short"));
    EXPECT_FALSE(DeleteTree(env, "C:\\", std::string("C:\\pp\0\\sub", 10)));
    EXPECT_TRUE(env.Log().empty());
    EXPECT_TRUE(env.Exists(pathOf(259) + "\\f"));

    EXPECT_TRUE(DeleteTree(env, "C:\\", fits));
    EXPECT_EQ(env.Log(), (Lines{"delete " + fits + "\\f", "delete " + fits}));
}

}  // namespace
}  // namespace orvane

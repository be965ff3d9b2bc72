#include "deploy/VisualStudio.h"

#include <gtest/gtest.h>

#include "tests/native/FakeEnv.h"

namespace orvane {
namespace {

const std::string kKey9 = "Software\\Microsoft\\VisualStudio\\9.0";

TEST(GetVersionString, TheFiveVersionsAndNothingElse) {
    EXPECT_EQ(GetVersionString(0), "7.0");
    EXPECT_EQ(GetVersionString(1), "7.1");
    EXPECT_EQ(GetVersionString(2), "8.0");
    EXPECT_EQ(GetVersionString(3), "9.0");
    EXPECT_EQ(GetVersionString(4), "10.0");
    EXPECT_EQ(GetVersionString(5), "");
    EXPECT_EQ(GetVersionString(-1), "");
}

TEST(GetVcDir, FolderNameByVersionInExactCase) {
    EXPECT_EQ(GetVcDir(0, "R\\"), "R\\vc7");
    EXPECT_EQ(GetVcDir(1, "R\\"), "R\\vc7");
    EXPECT_EQ(GetVcDir(2, "R\\"), "R\\VC");
    EXPECT_EQ(GetVcDir(3, "R\\"), "R\\VC");
    EXPECT_EQ(GetVcDir(4, "R\\"), "R\\VC");
}

TEST(GetVisualStudioRoot, OnlyTheRegisteredVersionIsFound) {
    FakeEnv env;
    env.SetValue(kKey9, "InstallDir", std::string("C:\\A\\B\\C\\") + '\0');
    for (VersionIndex index : {0, 1, 2, 4}) {
        EXPECT_EQ(GetVisualStudioRoot(env, index), "") << index;
    }
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "C:\\A\\B\\C\\..\\..\\");
    EXPECT_EQ(GetVcDir(3, GetVisualStudioRoot(env, 3)), "C:\\A\\B\\C\\..\\..\\VC");
    EXPECT_EQ(env.OpenKeyCount(), 0u);
}

TEST(GetVisualStudioRoot, AnyLengthIsServed) {
    FakeEnv env;
    for (const std::size_t length : {99u, 100u, 259u, 260u, 1000u}) {
        const std::string text = "C:\\" + std::string(length - 4, 'd') + "\\";
        env.SetValue(kKey9, "InstallDir", text + '\0');
        EXPECT_EQ(GetVisualStudioRoot(env, 3), text + "..\\..\\") << length;
    }
    EXPECT_EQ(env.OpenKeyCount(), 0u);
}

TEST(GetVisualStudioRoot, TextIsTakenUnchanged) {
    FakeEnv env;
    env.SetValue(kKey9, "InstallDir", std::string("C:\\A\\B") + '\0');
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "C:\\A\\B..\\..\\");
    // Without a terminating zero, every byte counts.
    env.SetValue(kKey9, "InstallDir", "C:\\X\\");
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "C:\\X\\..\\..\\");
    // Bytes after the first zero are dropped.
    env.SetValue(kKey9, "InstallDir", std::string("C:\\Y\\\0junk", 10));
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "C:\\Y\\..\\..\\");
    // Whatever the type, the bytes are the text: a DWORD 0x41 reads "A".
    env.SetValue(kKey9, "InstallDir", std::string("A\0\0\0", 4));
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "A..\\..\\");
}

TEST(GetVisualStudioRoot, KeyIsClosedOnEveryPath) {
    FakeEnv env;
    env.AddKey(kKey9);
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "");
    EXPECT_EQ(env.OpenKeyCount(), 0u);

    env.SetValue(kKey9, "InstallDir", std::string("C:\\V\\") + '\0');
    env.FailCall(Call::kQueryValue);
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "");
    EXPECT_EQ(env.OpenKeyCount(), 0u);

    env.FailCall(Call::kOpenKey);
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "");
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "C:\\V\\..\\..\\");
    EXPECT_EQ(env.OpenKeyCount(), 0u);
}

TEST(GetVisualStudioRoot, EmptyValueGivesTheBareSuffix) {
    FakeEnv env;
    env.SetValue(kKey9, "InstallDir", "");
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "..\\..\\");
}

}  // namespace
}  // namespace orvane

// Visual Studio lookup against the real registry.

#include <gtest/gtest.h>

#include "deploy/VisualStudio.h"
#include "platform/WinEnv.h"
#include "tests/windows/WinTestSupport.h"

namespace orvane {
namespace {

using testing::ClearVisualStudioKeys;
using testing::SetVisualStudioValue;

void SetInstallDir(const std::string& version, const std::string& text, bool view32 = true) {
    SetVisualStudioValue(version, "InstallDir", REG_SZ, text.c_str(),
                         static_cast<DWORD>(text.size() + 1), view32);
}

class Registry : public ::testing::Test {
  protected:
    void SetUp() override { ClearVisualStudioKeys(); }
    void TearDown() override { ClearVisualStudioKeys(); }
    WinEnv env;
};

TEST_F(Registry, OnlyTheRegisteredVersionHasARoot) {
    SetInstallDir("9.0", "C:\\VS9\\Common7\\IDE\\");
    for (VersionIndex index : {0, 1, 2, 4}) {
        EXPECT_EQ(GetVisualStudioRoot(env, index), "") << index;
    }
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "C:\\VS9\\Common7\\IDE\\..\\..\\");
}

TEST_F(Registry, TheSixtyFourBitViewIsNotWhereVisualStudioRegisters) {
    SetInstallDir("8.0", "C:\\Sixty\\Four\\", false);
    EXPECT_EQ(GetVisualStudioRoot(env, 2), "");
}

TEST_F(Registry, AnyLengthIsRead) {
    for (const std::size_t length : {99u, 100u, 300u, 1000u}) {
        const std::string text = "C:\\" + std::string(length - 4, 'd') + "\\";
        SetInstallDir("10.0", text);
        EXPECT_EQ(GetVisualStudioRoot(env, 4), text + "..\\..\\") << length;
    }
}

TEST_F(Registry, NoBackslashIsInserted) {
    SetInstallDir("7.1", "C:\\A\\B");
    EXPECT_EQ(GetVisualStudioRoot(env, 1), "C:\\A\\B..\\..\\");
}

TEST_F(Registry, KeyWithoutInstallDirHasNoRoot) {
    SetVisualStudioValue("7.0", "Other", REG_SZ, "x", 2);
    EXPECT_EQ(GetVisualStudioRoot(env, 0), "");
}

TEST_F(Registry, ADwordValueIsTakenAsBytes) {
    const DWORD value = 0x00434241;  // "ABC" and a zero byte
    SetVisualStudioValue("9.0", "InstallDir", REG_DWORD, &value, sizeof value);
    EXPECT_EQ(GetVisualStudioRoot(env, 3), "ABC..\\..\\");
}

}  // namespace
}  // namespace orvane

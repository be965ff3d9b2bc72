#include "customise/LauncherStamper.h"

#include <gtest/gtest.h>

#include "tests/native/FakeEnv.h"
#include "tests/native/ProductFixture.h"

namespace orvane {
namespace {

const std::string kToolBand =
    "C:\\Kit\\Templates\\8.0\\VCPlusPlus\\TessaloomProjectMFC\\AddToolBand.vsz";
const std::string kStamp = "\nParam=\"BASE_DIR = C:\\Kit\\\"\n";

class Stamper : public ::testing::Test {
  protected:
    void SetUp() override { product = MakeProduct("C:\\Kit\\Templates\\"); }
    FakeEnv env;
    Product product;
};

TEST(GetWizardLauncherNames, TwentyFourNamesInOrder) {
    const auto names = GetWizardLauncherNames();
    ASSERT_EQ(names.size(), 24u);
    EXPECT_EQ(names.front(), "AddBrowserHelperObject.vsz");
    EXPECT_EQ(names[17], "AddToolBand.vsz");
    EXPECT_EQ(names.back(), "AddControlPanelItem.vsz");
}

TEST(MakeBaseDirParamLine, ExactText) {
    EXPECT_EQ(MakeBaseDirParamLine("C:\\Kit\\"), "Param=\"BASE_DIR = C:\\Kit\\\"");
    EXPECT_EQ(MakeBaseDirParamLine(""), "Param=\"BASE_DIR = \"");
}

TEST_F(Stamper, AppendsTheStampAfterTheOldBytes) {
    env.AddFile(kToolBand, "VSWIZARD 7.0\r\nWizard=VsWizard.VsWizardEngine.8.0\r\n");
    StampWizardLaunchers(env, OpenedProduct(env, product.templatesDir));
    EXPECT_EQ(env.Content(kToolBand),
              "VSWIZARD 7.0\r\nWizard=VsWizard.VsWizardEngine.8.0\r\n" + kStamp);
    StampWizardLaunchers(env, OpenedProduct(env, product.templatesDir));
    EXPECT_EQ(env.Content(kToolBand),
              "VSWIZARD 7.0\r\nWizard=VsWizard.VsWizardEngine.8.0\r\n" + kStamp + kStamp);
    EXPECT_EQ(env.OpenFileCount(), 0u);
}

TEST_F(Stamper, UnterminatedAndEmptyLaunchers) {
    env.AddFile(kToolBand, "Param=\"X = 1\"");
    const std::string empty =
        "C:\\Kit\\Templates\\10.0\\VCPlusPlus\\TessaloomsMFC\\AddDeskBand.vsz";
    env.AddFile(empty, "");
    StampWizardLaunchers(env, OpenedProduct(env, product.templatesDir));
    EXPECT_EQ(env.Content(kToolBand), "Param=\"X = 1\"" + kStamp);
    EXPECT_EQ(env.Content(empty), kStamp);
}

TEST_F(Stamper, TwoHundredFortyPathsInOrder) {
    env.ClearLog();
    const auto names = GetWizardLauncherNames();
    int found = 0;
    for (const char* version : {"7.0", "7.1", "8.0", "9.0", "10.0"}) {
        for (const char* folder : {"TessaloomsMFC", "TessaloomProjectMFC"}) {
            for (const std::string& name : names) {
                env.AddFile(std::string("C:\\Kit\\Templates\\") + version + "\\VCPlusPlus\\" +
                                folder + "\\" + name,
                            std::to_string(found++));
            }
        }
    }
    env.AddFile("C:\\Kit\\Templates\\9.0\\VCPlusPlus\\TessaloomsMFC\\Unlisted.vsz", "u");
    env.AddFile("C:\\Kit\\Templates\\9.0\\VCPlusPlus\\Other\\AddToolBand.vsz", "o");
    env.ClearLog();
    StampWizardLaunchers(env, OpenedProduct(env, product.templatesDir));
    std::vector<std::string> opened;
    for (const std::string& line : env.Log()) {
        opened.push_back(line.substr(5));
    }
    ASSERT_EQ(opened.size(), 240u);
    EXPECT_EQ(opened[0],
              "C:\\Kit\\Templates\\7.0\\VCPlusPlus\\TessaloomsMFC\\AddBrowserHelperObject.vsz");
    EXPECT_EQ(
        opened[24],
        "C:\\Kit\\Templates\\7.0\\VCPlusPlus\\TessaloomProjectMFC\\AddBrowserHelperObject.vsz");
    EXPECT_EQ(opened[239],
              "C:\\Kit\\Templates\\10.0\\VCPlusPlus\\TessaloomProjectMFC\\AddControlPanelItem.vsz");
    EXPECT_EQ(env.Content("C:\\Kit\\Templates\\9.0\\VCPlusPlus\\TessaloomsMFC\\Unlisted.vsz"), "u");
    EXPECT_EQ(env.Content("C:\\Kit\\Templates\\9.0\\VCPlusPlus\\Other\\AddToolBand.vsz"), "o");
}

TEST_F(Stamper, BusyAndReadOnlyLaunchersAreToldAndFoldersSkipped) {
    const std::string readOnly =
        "C:\\Kit\\Templates\\7.0\\VCPlusPlus\\TessaloomsMFC\\AddDeskBand.vsz";
    const std::string busy = "C:\\Kit\\Templates\\7.0\\VCPlusPlus\\TessaloomsMFC\\AddToolBand.vsz";
    env.AddFile(readOnly, "r");
    env.SetReadOnly(readOnly, true);
    env.AddFile(busy, "b");
    env.HoldOpen(busy);
    env.AddDirectory("C:\\Kit\\Templates\\7.1\\VCPlusPlus\\TessaloomsMFC\\AddToolBand.vsz");
    env.AddFile(kToolBand, "");
    EXPECT_FALSE(StampWizardLaunchers(env, OpenedProduct(env, product.templatesDir)));
    EXPECT_EQ(env.Content(readOnly), "r");
    EXPECT_EQ(env.Content(busy), "b");
    EXPECT_EQ(env.Content(kToolBand), kStamp);
    ASSERT_EQ(env.Told().size(), 2u);
    EXPECT_EQ(env.Told()[0].rfind("Orvane: " + readOnly + ": cannot be stamped", 0), 0u);
}

// The caller is told the first three, and how many more; the log has all.
TEST_F(Stamper, FailedWritesAreReportedAFewToTheCallerAllToTheLog) {
    for (const std::string& path : GetWizardLauncherPaths(product.templatesDir)) {
        env.AddFile(path, "x");
    }
    env.FailCall(Call::kWrite, 0);
    EXPECT_FALSE(StampWizardLaunchers(env, OpenedProduct(env, product.templatesDir)));
    EXPECT_EQ(env.Content(kToolBand), "x");
    EXPECT_EQ(env.OpenFileCount(), 0u);
    ASSERT_EQ(env.Told().size(), 4u);
    EXPECT_EQ(env.Told()[3], "Orvane: ... and 237 more launchers like it (all in the log).");
    EXPECT_EQ(env.Logged().size(), 241u);
}

TEST_F(Stamper, WithoutTemplatesTheBaseDirIsEmpty) {
    product = MakeProduct("C:\\Kit\\T\\");
    const std::string path = "C:\\Kit\\T\\9.0\\VCPlusPlus\\TessaloomsMFC\\AddToolBand.vsz";
    env.AddFile(path, "");
    StampWizardLaunchers(env, OpenedProduct(env, product.templatesDir));
    EXPECT_EQ(env.Content(path), "\nParam=\"BASE_DIR = \"\n");
}

}  // namespace
}  // namespace orvane

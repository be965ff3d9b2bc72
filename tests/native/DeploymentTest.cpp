#include "deploy/Deployment.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/TemplatesDir.h"
#include "deploy/FileSystem.h"
#include "tests/native/ProductFixture.h"

namespace orvane {
namespace {

using Lines = std::vector<std::string>;

class Deployment : public ::testing::Test {
  protected:
    void SetUp() override {
        TemplatesDir = kTemplates;
        AddShippedTemplates(env);
    }
    FakeEnv env;
};

TEST_F(Deployment, NothingRegisteredTouchesNothing) {
    env.ClearLog();
    DeployAllVersions(env);
    RemoveAllVersions(env);
    EXPECT_TRUE(env.Log().empty());
}

TEST_F(Deployment, RegisteredVersionWithoutVcFolderIsSkipped) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS9\\Common7\\IDE");
    env.ClearLog();
    DeployAllVersions(env);
    RemoveAllVersions(env);
    EXPECT_TRUE(env.Log().empty());
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC"));
}

TEST_F(Deployment, NewerVersionGetsTheCopiesInOrderAndTheNewerScripts) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddFile("C:\\VS9\\VC\\VCWizards\\Theirs\\default.js", "Visual Studio's");
    // Visual Studio's own wizards stay its own; what it lacks is added.
    env.AddFile(kTemplates + "Templates\\VCPlusPlus\\theirs\\default.js", "the product's");
    env.AddFile(kTemplates + "Templates\\VCPlusPlus\\Extra\\extra.js", "extra");
    env.ClearLog();
    DeployForVersion(env, 3);
    EXPECT_EQ(env.Tree("C:\\VS9\\VC\\VCWizards\\Theirs"), (Lines{"default.js=Visual Studio's"}));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC\\VCWizards\\Extra"), (Lines{"extra.js=extra"}));

    const std::string vc = "C:\\VS9\\VC";
    const std::string wiz = vc + "\\VCWizards\\TessaloomsWiz\\scripts\\1033\\";
    const std::string tpl = vc + "\\VCWizards\\TessaloomsTemplateWiz\\scripts\\1033\\";
    const Lines& log = env.Log();
    const auto at = [&](const std::string& line) {
        return std::find(log.begin(), log.end(), line);
    };
    EXPECT_LT(at("create " + vc + "\\vcprojects\\TessaloomsMFC"),
              at("create " + vc + "\\vcprojectitems\\TessaloomsMFC"));
    EXPECT_LT(at("create " + vc + "\\vcprojectitems\\TessaloomsMFC"),
              at("create " + vc + "\\VCWizards\\TessaloomsWiz"));
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(Lines(log.end() - 6, log.end()),
              (Lines{"delete " + wiz + "default.js", "create " + wiz + "default.js",
                     "delete " + wiz + "default05.js", "delete " + tpl + "default.js",
                     "create " + tpl + "default.js", "delete " + tpl + "default05.js"}));

    EXPECT_EQ(
        env.Tree("C:\\VS9\\VC\\vcprojects"),
        (Lines{"TessaloomsMFC\\", "TessaloomsMFC\\Images\\", "TessaloomsMFC\\Images\\icon.bmp=bmp",
               "TessaloomsMFC\\TessaloomProjectMFC.vsz=project 9.0"}));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC\\vcprojectitems"),
              (Lines{"TessaloomsMFC\\", "TessaloomsMFC\\AddToolBand.vsz=items 9.0"}));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz\\scripts"),
              (Lines{"1033\\", "1033\\default.js=new TessaloomsWiz"}));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC\\VCWizards\\TessaloomsTemplateWiz\\scripts"),
              (Lines{"1033\\", "1033\\default.js=new TessaloomsTemplateWiz"}));
}

TEST_F(Deployment, OlderVersionKeepsTheShippedScriptsButOne) {
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS71\\Vc7");
    DeployAllVersions(env);
    EXPECT_EQ(env.Tree("C:\\VS71\\vc7\\VCWizards\\TessaloomsWiz\\scripts"),
              (Lines{"1033\\", "1033\\default.js=old TessaloomsWiz"}));
    EXPECT_EQ(env.Tree("C:\\VS71\\vc7\\VCWizards\\TessaloomsTemplateWiz\\scripts"),
              (Lines{"1033\\", "1033\\default.js=old TessaloomsTemplateWiz",
                     "1033\\default05.js=new TessaloomsTemplateWiz"}));
    EXPECT_EQ(env.Content("C:\\VS71\\Vc7\\vcprojects\\TessaloomsMFC\\TessaloomProjectMFC.vsz"),
              "project 7.1");
}

TEST_F(Deployment, WizardWithoutNewerScriptLosesItsDefaultInNewerVersions) {
    RegisterVersion(env, 2, "C:\\VS8\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS8\\VC");
    env.Remove(kTemplates + "Templates\\VCPlusPlus\\TessaloomsWiz\\scripts\\1033\\default05.js");
    EXPECT_FALSE(DeployForVersion(env, 2));
    EXPECT_EQ(env.Tree("C:\\VS8\\VC\\VCWizards\\TessaloomsWiz\\scripts"), (Lines{"1033\\"}));
}

TEST_F(Deployment, LeftoverProjectFolderNestsTheCopy) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddFile("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\stale.txt", "s");
    DeployForVersion(env, 3);
    EXPECT_EQ(env.Content("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\TessaloomProjectMFC\\"
                          "TessaloomProjectMFC.vsz"),
              "project 9.0");
    EXPECT_TRUE(env.Exists("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\stale.txt"));
}

TEST_F(Deployment, RemovalDeletesOnlyTheFoldersThatExist) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddFile("C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC\\x", "x");
    env.AddFile("C:\\VS9\\VC\\vcprojectitems\\Theirs\\y", "y");
    env.ClearLog();
    RemoveAllVersions(env);
    EXPECT_EQ(env.Log(), (Lines{"delete C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC\\x",
                                "delete C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC"}));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC"), (Lines{"vcprojectitems\\", "vcprojectitems\\Theirs\\",
                                              "vcprojectitems\\Theirs\\y=y"}));
}

TEST_F(Deployment, RemoveThenDeployTwiceEqualsOnce) {
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddFile("C:\\VS71\\Vc7\\VCWizards\\Theirs\\t", "t");
    env.AddFile("C:\\VS9\\VC\\vcprojects\\Theirs\\t", "t");
    RemoveAllVersions(env);
    DeployAllVersions(env);
    const Lines once71 = env.Tree("C:\\VS71"), once9 = env.Tree("C:\\VS9");
    RemoveAllVersions(env);
    DeployAllVersions(env);
    EXPECT_EQ(env.Tree("C:\\VS71"), once71);
    EXPECT_EQ(env.Tree("C:\\VS9"), once9);
    RemoveAllVersions(env);
    EXPECT_EQ(env.Tree("C:\\VS71\\Vc7"), (Lines{"vcprojectitems\\", "vcprojects\\", "VCWizards\\",
                                                "VCWizards\\Theirs\\", "VCWizards\\Theirs\\t=t"}));
}

TEST_F(Deployment, OneFailedCopyDoesNotStopTheRest) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS9\\VC");
    env.FailCall(Call::kCreate, 1);
    EXPECT_FALSE(DeployForVersion(env, 3));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC"));
    EXPECT_TRUE(env.Exists("C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC"));
    EXPECT_TRUE(env.Exists("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz\\scripts\\1033\\default.js"));
}

// Every step that does not have its effect makes the version incomplete,
// whichever it is, and the steps after it still run.
TEST_F(Deployment, EachStepWithoutItsEffectIsReported) {
    struct Case {
        const char* what;
        Call call;
        int nth;
        VersionIndex version;
    };
    const Case cases[] = {
        {"project templates folder cannot be made", Call::kCreate, 1, 3},
        {"a project template cannot be read", Call::kRead, 1, 3},
        {"an item template cannot be written", Call::kWrite, 3, 3},
        {"the item templates cannot be listed", Call::kListFolder, 3, 3},
        {"the newer script of 7.1 stays", Call::kDelete, 1, 1},
    };
    for (const Case& c : cases) {
        FakeEnv fresh;
        AddShippedTemplates(fresh);
        RegisterVersion(fresh, c.version, "C:\\VS\\Common7\\IDE\\");
        fresh.AddDirectory(c.version == 1 ? "C:\\VS\\Vc7" : "C:\\VS\\VC");
        EXPECT_TRUE(DeployForVersion(fresh, c.version)) << c.what;
        EXPECT_TRUE(RemoveForVersion(fresh, c.version)) << c.what;
        fresh.ClearLog();
        fresh.FailCall(c.call, c.nth);
        EXPECT_FALSE(DeployForVersion(fresh, c.version)) << c.what;
        // The wizard scripts, the last step, were still put right.
        EXPECT_EQ(fresh.Log().back().rfind("delete ", 0), 0u) << c.what;
        EXPECT_EQ(fresh.Log().back().substr(fresh.Log().back().size() - 12), "default05.js")
            << c.what;
    }
}

// Below Visual Studio's template folders a link is removed itself, never
// followed; an entry whose name the code page cannot hold stays, and says so.
TEST_F(Deployment, LinksInVisualStudioAreRemovedThemselvesAndLookAlikesReported) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddLink("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC", true);
    env.AddLink("C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC\\planted.vsz", false);
    EXPECT_TRUE(RemoveAllVersions(env));
    EXPECT_TRUE(DeployAllVersions(env));
    EXPECT_EQ(env.Content("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\TessaloomProjectMFC.vsz"),
              "project 9.0");

    env.AddFile("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz\\look-alike", "x");
    env.MarkInexact("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz\\look-alike");
    EXPECT_FALSE(RemoveAllVersions(env));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC\\VCWizards"),
              (Lines{"TessaloomsWiz\\", "TessaloomsWiz\\look-alike=x"}));
}

TEST_F(Deployment, VersionWithoutSourcesIsIncompleteAndTheOtherIsServed) {
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS71\\Vc7");
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS9\\VC");
    env.Remove(kTemplates + "9.0");
    EXPECT_FALSE(DeployAllVersions(env));
    EXPECT_EQ(env.Content("C:\\VS71\\Vc7\\vcprojects\\TessaloomsMFC\\TessaloomProjectMFC.vsz"),
              "project 7.1");
}

TEST_F(Deployment, VersionWhoseLocationTheCodePageCannotHoldIsNotServedAndSaysSo) {
    env.SetInexactValue("Software\\Microsoft\\VisualStudio\\9.0", "InstallDir");
    env.AddDirectory("C:\\VSO\\VC");
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS71\\Vc7");
    EXPECT_FALSE(DeployAllVersions(env));
    EXPECT_EQ(env.Content("C:\\VS71\\Vc7\\vcprojectitems\\TessaloomsMFC\\AddToolBand.vsz"),
              "items 7.1");
    EXPECT_FALSE(RemoveAllVersions(env));
    EXPECT_EQ(env.Told(),
              (Lines{"Orvane: Visual Studio 9.0: its InstallDir has a character the code "
                     "page cannot hold exactly, so the templates were not added to it.",
                     "Orvane: Visual Studio 9.0: its InstallDir has a character the code "
                     "page cannot hold exactly, so the templates were not removed from it."}));
    EXPECT_EQ(env.Tree("C:\\VSO"), (Lines{"VC\\"}));
}

TEST_F(Deployment, FolderThatCannotBeDeletedIsReportedAndTheOthersStillGo) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS9\\VC");
    ASSERT_TRUE(DeployAllVersions(env));
    env.FailCall(Call::kDelete, 1);
    EXPECT_FALSE(RemoveAllVersions(env));
    EXPECT_TRUE(env.IsDirectory("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC"));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz"));
    EXPECT_TRUE(RemoveAllVersions(env));
}

}  // namespace
}  // namespace orvane

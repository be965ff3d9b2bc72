#include "app/RunSequence.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "deploy/FileSystem.h"
#include "platform/TellText.h"
#include "tests/native/ProductFixture.h"

namespace orvane {
namespace {

const std::string kProject = "C:\\Kit\\Samples\\BandObjectsSample\\BandObjects.vcproj";
const std::string kLauncher = "C:\\Kit\\Templates\\9.0\\VCPlusPlus\\TessaloomsMFC\\AddToolBand.vsz";

class RunSequence : public ::testing::Test {
  protected:
    void SetUp() override {
        AddShippedTemplates(env);
        RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
        env.AddFile("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\old.txt", "old");
        env.AddFile(kProject, "AdditionalIncludeDirectories=\"x\"\r\n");
    }
    FakeEnv env;
};

TEST_F(RunSequence, InstallPatchesStampsRemovesAndDeploysInThatOrder) {
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\Templates"), RunOutcome::kInstalled);
    EXPECT_EQ(env.Content(kProject), "\tAdditionalIncludeDirectories=\"C:\\Kit\\Include\"\n");
    EXPECT_EQ(env.Content("C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC\\AddToolBand.vsz"),
              "items 9.0\nParam=\"BASE_DIR = C:\\Kit\\\"\n");
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\old.txt"));

    const std::vector<std::string>& log = env.Log();
    const auto first = [&](const std::string& start) {
        return std::find_if(log.begin(), log.end(),
                            [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    };
    EXPECT_EQ(log.front(), "open " + kProject);
    EXPECT_LT(first("rename " + kProject.substr(0, kProject.size() - 7)),
              first("open " + kLauncher));
    EXPECT_LT(first("open " + kLauncher), first("create C:\\VS9"));
    EXPECT_LT(first("create C:\\VS9"), first("rename C:\\VS9"));
}

TEST_F(RunSequence, SwitchInUpperCaseAndPathWithBackslash) {
    EXPECT_EQ(RunFromCommandLine(env, "-I C:\\Kit\\Templates\\"), RunOutcome::kInstalled);
}

// Only a full path names the product by itself; anything else would be
// found relative to where the installer starts Orvane (a drive's root,
// say, where any user can make folders), and is refused untouched.
TEST_F(RunSequence, TemplatesWordThatIsNoFullPathIsRefusedUntouched) {
    env.ClearLog();
    for (const char* line :
         {"-i \"\"", "-i Templates", "-i \\Kit\\Templates", "-i C:Kit\\Templates",
          "-i .\\Templates", "-i 1:\\Kit", "-i \\\\\\x"}) {
        EXPECT_EQ(RunFromCommandLine(env, line), RunOutcome::kNotUnderstood) << line;
    }
    EXPECT_TRUE(env.Log().empty());
    EXPECT_EQ(env.Told().back().rfind("Orvane: not understood: the templates folder must be", 0),
              0u);
    for (const char* path : {"C:\\Kit\\Templates\\", "z:\\", "\\\\server\\share\\T\\"}) {
        EXPECT_TRUE(IsFullPath(path)) << path;
    }
}

TEST_F(RunSequence, AnyOtherFirstWordRemoves) {
    for (const char* line : {"-u x", "remove x"}) {
        env.AddFile("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\old.txt", "old");
        EXPECT_EQ(RunFromCommandLine(env, line), RunOutcome::kRemoved);
        EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC"));
        EXPECT_EQ(env.Content(kProject), "AdditionalIncludeDirectories=\"x\"\r\n");
    }
}

TEST_F(RunSequence, OtherWordCountsDoNothing) {
    env.ClearLog();
    for (const char* line :
         {"", "-u", "-i  C:\\Kit\\Templates", "-i C:\\Kit\\Templates   ", "-i a b"}) {
        EXPECT_EQ(RunFromCommandLine(env, line), RunOutcome::kNotUnderstood) << line;
    }
    EXPECT_EQ(RunFromCommandLine(env, nullptr), RunOutcome::kNotUnderstood);
    EXPECT_TRUE(env.Log().empty());
}

// A run that does not get its turn, or an installation whose product is
// not there as it must be, changes nothing at all.
TEST_F(RunSequence, NoTurnOrNoProductChangesNothing) {
    env.ClearLog();
    env.FailCall(Call::kTakeTurn);
    EXPECT_EQ(RunFromCommandLine(env, "-u x"), RunOutcome::kIncomplete);
    EXPECT_EQ(env.Told().back(),
              "Orvane: this run did not get its turn, so it changed nothing: the fake call failed "
              "(status 3).");
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\NoSuch\\Templates"), RunOutcome::kStopped);
    EXPECT_FALSE(env.HoldsTurn());
    env.Remove("C:\\Kit\\Templates\\8.0\\VCPlusPlus\\TessaloomsMFC");
    env.AddFile("C:\\Kit\\Templates\\8.0\\VCPlusPlus\\TessaloomsMFC", "not a folder");
    env.AddFile("C:\\Kit\\Templates\\9.0\\VCPlusPlus\\TessaloomsMFC\\nul.txt", "a device");
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\Templates"), RunOutcome::kStopped);
    env.Remove("C:\\Kit\\Templates\\8.0\\VCPlusPlus\\TessaloomsMFC");
    env.AddDirectory("C:\\Kit\\Templates\\8.0\\VCPlusPlus\\TessaloomsMFC");
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\Templates"), RunOutcome::kStopped);
    EXPECT_EQ(env.Told().back(),
              "Orvane: stopped before any Visual Studio was changed: "
              "C:\\Kit\\Templates\\9.0\\VCPlusPlus\\TessaloomsMFC\\nul.txt: not itself: a link, "
              "a second name of another file, a sparse file, or a name the code page cannot hold "
              "exactly or Windows keeps for a device");
    EXPECT_TRUE(env.Log().empty());
}

// A run that stops on its product still finishes first what a killed run
// left half-done, and gives its turn back.
TEST_F(RunSequence, ARunThatStopsMendsFirst) {
    env.AddFile("C:\\VS9\\VC\\Orvane.install\\vcprojects\\TessaloomsMFC\\new.txt", "new");
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\NoSuch\\Templates"), RunOutcome::kStopped);
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\Orvane.install"));
    EXPECT_EQ(env.Content("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\new.txt"), "new");
    EXPECT_FALSE(env.HoldsTurn());
}

TEST_F(RunSequence, UnopenableSampleProjectStopsBeforeAnythingElse) {
    env.SetReadOnly(kProject, true);
    env.ClearLog();
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\Templates"), RunOutcome::kStopped);
    EXPECT_EQ(env.Log(), (std::vector<std::string>{"open " + kProject}));
    EXPECT_TRUE(env.Exists("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\old.txt"));
    EXPECT_EQ(env.Content(kLauncher), "items 9.0");
}

// A link planted anywhere an installation writes or copies stops it before
// anything is changed; one at or above the product's folder is followed.
TEST_F(RunSequence, LinkInTheProductStopsTheInstallationBeforeAnythingChanges) {
    const std::string wizards = "C:\\Kit\\Templates\\Templates\\VCPlusPlus\\";
    const struct {
        std::string path;
        bool toFolder;
    } links[] = {
        {"C:\\Kit\\Samples\\BrowserHelperObjectSample\\BHOSample.vcproj", false},
        {"C:\\Kit\\Samples\\CopyHookExtensionSample", true},
        {"C:\\Kit\\Templates\\7.0\\VCPlusPlus\\TessaloomProjectMFC\\AddDeskBand.vsz", false},
        {"C:\\Kit\\Templates\\9.0\\VCPlusPlus\\TessaloomsMFC\\Planted", true},
        {wizards + "TessaloomsWiz\\html\\1033\\secret.txt", false},
        {"C:\\Kit\\Templates\\10.0", true},
    };
    for (const auto& link : links) {
        FakeEnv fresh;
        AddShippedTemplates(fresh);
        RegisterVersion(fresh, 3, "C:\\VS9\\Common7\\IDE\\");
        fresh.AddFile("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\old.txt", "old");
        fresh.AddFile(kProject, "AdditionalIncludeDirectories=\"x\"\r\n");
        fresh.AddLink(link.path, link.toFolder);
        EXPECT_EQ(RunFromCommandLine(fresh, "-i C:\\Kit\\Templates"), RunOutcome::kStopped)
            << link.path;
        EXPECT_TRUE(fresh.Log().empty()) << link.path;
    }
    env.AddLink("C:\\Kit", true);
    AddShippedTemplates(env);
    env.AddFile(kProject, "AdditionalIncludeDirectories=\"x\"\r\n");
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\Templates"), RunOutcome::kInstalled);
}

TEST_F(RunSequence, StepWithoutItsEffectMakesTheRunIncompleteButItRunsToItsEnd) {
    // Old content that cannot be deleted waits aside, is told, and is
    // deleted by a later run: Visual Studio got all of it.
    env.FailCall(Call::kDelete, 1);
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\Templates"), RunOutcome::kInstalled);
    EXPECT_NE(env.Told().front().find("waits in C:\\VS9\\VC\\Orvane.leftovers, where"),
              std::string::npos);
    EXPECT_EQ(RunFromCommandLine(env, "-u x"), RunOutcome::kRemoved);
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz"));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\Orvane.leftovers"));
    // So does a version that cannot be served; the others still are.
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS71\\Vc7");
    env.AddFile("C:\\VS9\\VC\\vcprojectitems", "not a folder");
    EXPECT_EQ(RunFromCommandLine(env, "-i C:\\Kit\\Templates"), RunOutcome::kIncomplete);
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\VCWizards\\TessaloomsTemplateWiz"));
    EXPECT_TRUE(env.Exists("C:\\VS71\\Vc7\\VCWizards\\TessaloomsTemplateWiz"));
}

// What the caller is told, for each status.
TEST_F(RunSequence, EveryOutcomeIsToldWithItsReason) {
    const auto told = [&](const char* commandLine) {
        FakeEnv& e = env;
        const std::size_t before = e.Told().size();
        RunFromCommandLine(e, commandLine);
        std::string lines;
        for (std::size_t i = before; i < e.Told().size(); ++i) {
            lines += e.Told()[i] + "\n";
        }
        return lines;
    };
    EXPECT_EQ(told("-i C:\\Kit\\Templates"),
              "Orvane: added the templates to Visual Studio 9.0 (C:\\VS9\\VC).\n");
    EXPECT_EQ(
        told("/I x"),
        "Orvane: only -i adds the templates; \"/I\", like any other first word, removes them.\n"
        "Orvane: removed the templates from Visual Studio 9.0 "
        "(C:\\VS9\\VC).\n");
    EXPECT_EQ(told("-i").rfind("Orvane: not understood. Give two words: -i and", 0), 0u);

    env.SetReadOnly(kProject, true);
    EXPECT_EQ(told("-i C:\\Kit\\Templates"),
              "Orvane: stopped before any Visual Studio was changed: " + kProject +
                  ": cannot open it: it is read-only\n");
    env.SetReadOnly(kProject, false);

    env.FailCall(Call::kFlush, 2);
    EXPECT_EQ(told("-i C:\\Kit\\Templates"),
              "Orvane: the new templates could not be made durable: the fake call failed\n"
              "Orvane: the new templates could not be made ready for every Visual Studio, so none "
              "was changed.\n"
              "Orvane: the installation ran to its end, but not all of it had its effect "
              "(status 3).\n");
    env.AddFile("C:\\VS9\\VC\\vcprojectitems", "not a folder");
    EXPECT_EQ(told("-u x"),
              "Orvane: Visual Studio 9.0 (C:\\VS9\\VC): "
              "C:\\VS9\\VC\\vcprojectitems is not a folder of its own (a "
              "link, or a file in its place), so nothing is written through it\n"
              "Orvane: the removal ran to its end, but not all of it had its effect (status 3).\n");

    // The run's log holds all of it, and its path is the caller's first line.
    env.SetLogPath("C:\\Temp\\Orvane-1.log");
    const std::size_t before = env.Logged().size();
    EXPECT_EQ(told("-u x").rfind("Orvane: this run's log: C:\\Temp\\Orvane-1.log\n", 0), 0u);
    const std::vector<std::string> log(env.Logged().begin() + before, env.Logged().end());
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[1], "Orvane: command line: -u x");
    EXPECT_EQ(log[2], "Orvane: Visual Studio 9.0 is installed; its VC folder: C:\\VS9\\VC");
    EXPECT_EQ(log.back(), "Orvane: ended with status 3.");
}

TEST(TidyPath, StepsBackAsWindowsDoesAndNeverAboveTheRoot) {
    EXPECT_EQ(TidyPath("C:\\A\\B\\C\\..\\..\\VC"), "C:\\A\\VC");
    EXPECT_EQ(TidyPath("C:\\A\\.\\B\\"), "C:\\A\\B");
    EXPECT_EQ(TidyPath("C:\\..\\A"), "C:\\..\\A");
    EXPECT_EQ(TidyPath("..\\..\\VC"), "..\\..\\VC");
    EXPECT_EQ(TidyPath("\\\\server\\share\\A\\..\\..\\B"), "\\\\server\\share\\..\\B");
}

TEST(EscapeControls, EveryControlCharacterAndNothingElse) {
    EXPECT_EQ(EscapeControls("evil\r\nOrvane: FAKE\x07\x1b[2J\x7f \xe9\\x"),
              "evil\\x0D\\x0AOrvane: FAKE\\x07\\x1B[2J\\x7F \xe9\\x");
}

// However many lines a run has, and however long, its caller reads well
// under a 4 KB pipe: the first ones, how many more, and the last.
TEST(CallerLines, BoundedInLinesAndBytesEachLineShortenedInItsMiddle) {
    CallerLines few;
    EXPECT_EQ(few.Admit("one"), "one\r\n");
    EXPECT_EQ(few.Closing("C:\\T\\o.log"), "");
    CallerLines many;
    std::string told;
    for (int n = 0; n < 200; ++n) {
        told += many.Admit("line " + std::to_string(n) + " " + std::string(n % 2 ? 1000 : 60, 'x'));
    }
    told += many.Closing("C:\\T\\o.log");
    EXPECT_LT(told.size(), 3900u);
    const auto lines = std::count(told.begin(), told.end(), '\n');
    EXPECT_LE(lines, 40);
    EXPECT_NE(told.find("more line(s) are in the log: C:\\T\\o.log.\r\nline 199 xxx"),
              std::string::npos);
    EXPECT_EQ(told.find("line 1 " + std::string(400, 'x')), std::string::npos);
    EXPECT_NE(told.find("xxx...xxx"), std::string::npos);
}

TEST(ExitStatus, ZeroForWorkDoneOneForAStopTwoForACommandLineNotUnderstoodThreeForIncomplete) {
    EXPECT_EQ(ExitStatus(RunOutcome::kInstalled), 0);
    EXPECT_EQ(ExitStatus(RunOutcome::kRemoved), 0);
    EXPECT_EQ(ExitStatus(RunOutcome::kStopped), 1);
    EXPECT_EQ(ExitStatus(RunOutcome::kNotUnderstood), 2);
    EXPECT_EQ(ExitStatus(RunOutcome::kIncomplete), 3);
}

}  // namespace
}  // namespace orvane

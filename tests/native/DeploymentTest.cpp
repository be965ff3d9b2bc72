#include "deploy/Deployment.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "deploy/FileSystem.h"
#include "tests/native/ProductFixture.h"

namespace orvane {
namespace {

using Lines = std::vector<std::string>;

const char* const kVcDirs[] = {"C:\\VS71\\Vc7", "C:\\VS8\\VC", "C:\\VS9\\VC"};

// One run as the run sequence makes it: the installations found once, each
// put back whole first.
bool RunOnce(FakeEnv& env, bool install) {
    bool complete = true;
    std::vector<Installation> served;
    for (const Installation& installation : FindInstallations(env, nullptr)) {
        if (RecoverVersion(env, installation)) {
            served.push_back(installation);
        } else {
            complete = false;
        }
    }
    if (!install) {
        return RemoveAllVersions(env, served) && complete;
    }
    Product product = MakeProduct(kTemplates);
    const Status opened = OpenProduct(env, &product);
    if (!opened.ok()) {
        env.Tell("Orvane: stopped: " + opened.reason());
        return false;
    }
    return InstallAllVersions(env, product, served) && complete;
}

// What Visual Studio reads of a VC folder: its three template folders.
Lines Visible(const FakeEnv& env, const std::string& vcDir) {
    Lines seen;
    for (const char* top : {"vcprojects", "vcprojectitems", "VCWizards"}) {
        for (const std::string& line : env.Tree(vcDir + "\\" + top)) {
            seen.push_back(std::string(top) + "\\" + line);
        }
    }
    return seen;
}

// 7.1, 8.0 and 9.0 with the shipped product installed, and a second
// version of the product in its place: changed, added and removed files,
// beside Orvane's own wizards too.
void InstallThenUpgradeProduct(FakeEnv& env) {
    AddShippedTemplates(env);
    const std::string wizards = kTemplates + "Templates\\VCPlusPlus\\";
    env.AddFile(wizards + "1033\\common.js", "A");
    env.AddFile(wizards + "Gone\\g.js", "A");
    env.AddFile(wizards + "Theirs\\t.js", "the product's");
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    RegisterVersion(env, 2, "C:\\VS8\\Common7\\IDE\\");
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    for (const char* vcDir : kVcDirs) {
        env.AddFile(std::string(vcDir) + "\\VCWizards\\Theirs\\t.js", "Visual Studio's");
    }
    ASSERT_TRUE(RunOnce(env, true));
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        const std::string base = kTemplates + GetVersionString(index) + "\\VCPlusPlus\\";
        env.AddFile(base + "TessaloomProjectMFC\\TessaloomProjectMFC.vsz", "B");
        env.Remove(base + "TessaloomProjectMFC\\Images");
        env.AddFile(base + "TessaloomsMFC\\New\\added.vsz", "B");
    }
    env.AddFile(kTemplates + "Templates\\VCPlusPlus\\TessaloomsWiz\\scripts\\1033\\default05.js",
                "B");
    env.AddFile(wizards + "1033\\common.js", "B");
    env.Remove(wizards + "Gone");
}

class Deployment : public ::testing::Test {
  protected:
    void SetUp() override { AddShippedTemplates(env); }
    FakeEnv env;
};

TEST_F(Deployment, NothingRegisteredOrNoVcFolderTouchesNothing) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS9\\Common7\\IDE");
    env.ClearLog();
    EXPECT_TRUE(FindInstallations(env, nullptr).empty());
    EXPECT_TRUE(RunOnce(env, true));
    EXPECT_TRUE(RunOnce(env, false));
    EXPECT_TRUE(env.Log().empty());
}

TEST_F(Deployment, NewerVersionGetsTheCopiesAndTheNewerScriptsOverALeftover) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddFile("C:\\VS9\\VC\\VCWizards\\Theirs\\default.js", "Visual Studio's");
    // A leftover of Orvane's is replaced whole, never copied into.
    env.AddFile("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\stale.txt", "s");
    // Visual Studio's own wizards stay its own; what it lacks is added.
    env.AddFile(kTemplates + "Templates\\VCPlusPlus\\theirs\\default.js", "the product's");
    env.AddFile(kTemplates + "Templates\\VCPlusPlus\\Extra\\extra.js", "extra");
    EXPECT_TRUE(RunOnce(env, true));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC\\VCWizards\\Theirs"), (Lines{"default.js=Visual Studio's"}));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC\\VCWizards\\Extra"), (Lines{"extra.js=extra"}));
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
    // Nothing of the journal stays.
    EXPECT_EQ(env.Tree("C:\\VS9\\VC").size(), Visible(env, "C:\\VS9\\VC").size() + 3);
}

TEST_F(Deployment, OlderVersionKeepsTheShippedScriptsButOne) {
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS71\\Vc7");
    EXPECT_TRUE(RunOnce(env, true));
    EXPECT_EQ(env.Tree("C:\\VS71\\vc7\\VCWizards\\TessaloomsWiz\\scripts"),
              (Lines{"1033\\", "1033\\default.js=old TessaloomsWiz"}));
    EXPECT_EQ(env.Tree("C:\\VS71\\vc7\\VCWizards\\TessaloomsTemplateWiz\\scripts"),
              (Lines{"1033\\", "1033\\default.js=old TessaloomsTemplateWiz",
                     "1033\\default05.js=new TessaloomsTemplateWiz"}));
    EXPECT_EQ(env.Content("C:\\VS71\\Vc7\\vcprojects\\TessaloomsMFC\\TessaloomProjectMFC.vsz"),
              "project 7.1");
}

// What the product ships beside Orvane's own wizards where Visual Studio
// had nothing is the product's: the next installation updates it, or takes
// it away when the product no longer ships it, and so does removal, with
// its record. Visual Studio's own entries stay, whatever the product ships.
TEST_F(Deployment, WhatAnInstallationAddedIsUpdatedOrTakenAway) {
    FakeEnv upgraded;
    InstallThenUpgradeProduct(upgraded);
    ASSERT_EQ(upgraded.Tree("C:\\VS9\\VC\\VCWizards\\1033"), (Lines{"common.js=A"}));
    ASSERT_TRUE(RunOnce(upgraded, true));
    for (const char* vcDir : kVcDirs) {
        const std::string wizards = std::string(vcDir) + "\\VCWizards\\";
        EXPECT_EQ(upgraded.Tree(wizards + "1033"), (Lines{"common.js=B"}));
        EXPECT_TRUE(upgraded.Tree(wizards + "Gone").empty());
        EXPECT_EQ(upgraded.Tree(wizards + "Theirs"), (Lines{"t.js=Visual Studio's"}));
    }
    ASSERT_TRUE(RunOnce(upgraded, false));
    for (const char* vcDir : kVcDirs) {
        EXPECT_EQ(upgraded.Tree(std::string(vcDir) + "\\VCWizards"),
                  (Lines{"Theirs\\", "Theirs\\t.js=Visual Studio's"}));
    }
    Key record;
    EXPECT_TRUE(upgraded.OpenKey("Software\\Orvane", &record).IsNotFound());
}

TEST_F(Deployment, RemovalTakesOnlyOrvanesOwnEntriesWhateverTheyAre) {
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddFile("C:\\VS71\\Vc7\\VCWizards\\Theirs\\t", "t");
    env.AddFile("C:\\VS9\\VC\\vcprojects\\Theirs\\t", "t");
    ASSERT_TRUE(RunOnce(env, true));
    const Lines once71 = env.Tree("C:\\VS71"), once9 = env.Tree("C:\\VS9");
    ASSERT_TRUE(RunOnce(env, true));
    EXPECT_EQ(env.Tree("C:\\VS71"), once71);
    EXPECT_EQ(env.Tree("C:\\VS9"), once9);
    // A file, or a link, at one of Orvane's names is Orvane's.
    env.Remove("C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC");
    env.AddFile("C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC", "a file");
    env.Remove("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz");
    env.AddLink("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz", true);
    EXPECT_TRUE(RunOnce(env, false));
    EXPECT_EQ(env.Tree("C:\\VS71\\Vc7"), (Lines{"vcprojectitems\\", "vcprojects\\", "VCWizards\\",
                                                "VCWizards\\Theirs\\", "VCWizards\\Theirs\\t=t"}));
    EXPECT_EQ(env.Tree("C:\\VS9\\VC"),
              (Lines{"vcprojectitems\\", "vcprojects\\", "vcprojects\\Theirs\\",
                     "vcprojects\\Theirs\\t=t", "VCWizards\\"}));
    env.ClearLog();
    EXPECT_TRUE(RunOnce(env, false));
    EXPECT_TRUE(env.Log().empty());
}

// Below Visual Studio's template folders a link is removed itself, never
// followed; an entry whose name the code page cannot hold stays, and says
// so. A link in place of one of the template folders themselves keeps the
// version from being served: nothing is written or deleted through it.
TEST_F(Deployment, LinksInVisualStudioAreNeverFollowed) {
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\IDE\\");
    env.AddLink("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC", true);
    env.AddLink("C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC\\planted.vsz", false);
    EXPECT_TRUE(RunOnce(env, true));
    EXPECT_EQ(env.Content("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\TessaloomProjectMFC.vsz"),
              "project 9.0");

    env.AddFile("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz\\look-alike", "x");
    env.MarkInexact("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz\\look-alike");
    // Visual Studio no longer sees it; what cannot be deleted waits aside.
    EXPECT_TRUE(RunOnce(env, false));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\VCWizards\\TessaloomsWiz"));
    EXPECT_TRUE(env.Exists("C:\\VS9\\VC\\Orvane.leftovers\\1\\VCWizards\\TessaloomsWiz"));
    // Staging a killed run left that cannot be deleted, and Orvane's names
    // planted beside it, block neither kind of run, and pile up nowhere.
    env.AddFile("C:\\VS9\\VC\\Orvane.staging\\stuck", "x");
    env.MarkInexact("C:\\VS9\\VC\\Orvane.staging\\stuck");
    for (int n = 1; n <= 100; ++n) {
        env.AddDirectory("C:\\VS9\\VC\\Orvane.staging." + std::to_string(n));
    }
    for (int run = 0; run < 4; ++run) {
        EXPECT_TRUE(RunOnce(env, run % 2 == 0));
        EXPECT_EQ(env.Tree("C:\\VS9\\VC\\Orvane.leftovers").size(), 6u);
    }
    EXPECT_TRUE(env.Exists("C:\\VS9\\VC\\Orvane.leftovers\\2\\stuck"));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\Orvane.staging.1"));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC"));
    // A journal found on disk moves only Orvane's own entries.
    env.AddFile("C:\\VS9\\VC\\Orvane.install\\vcprojects\\Evil.vsz", "planted");
    env.AddFile("C:\\VS9\\VC\\Orvane.install\\VCWizards\\EvilWiz\\x.js", "planted");
    env.AddFile("C:\\VS9\\VC\\Orvane.install\\vcprojects\\TessaloomsMFC\\a.vsz", "staged");
    EXPECT_TRUE(RunOnce(env, false));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\vcprojects\\Evil.vsz"));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\VCWizards\\EvilWiz"));
    EXPECT_FALSE(env.Exists("C:\\VS9\\VC\\Orvane.install"));

    for (const char* top : {"vcprojects", "vcprojectitems", "VCWizards"}) {
        FakeEnv linked;
        AddShippedTemplates(linked);
        RegisterVersion(linked, 3, "C:\\VS9\\Common7\\IDE\\");
        linked.AddDirectory("C:\\VS9\\VC");
        linked.AddLink("C:\\VS9\\VC\\" + std::string(top), true);
        linked.ClearLog();
        EXPECT_FALSE(RunOnce(linked, true)) << top;
        EXPECT_FALSE(RunOnce(linked, false)) << top;
        for (const std::string& line : linked.Log()) {
            EXPECT_EQ(line.find(top), std::string::npos) << top << ": " << line;
        }
    }
}

// Two versions registered at one folder are served once, as the higher;
// the others as usual.
TEST_F(Deployment, VersionsAtOneFolderAreServedOnceAsTheHighest) {
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    RegisterVersion(env, 2, "C:\\VS9\\Common7\\IDE\\");
    RegisterVersion(env, 3, "C:\\VS9\\Common7\\..\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS71\\Vc7");
    env.AddDirectory("C:\\VS9\\VC");
    const auto found = FindInstallations(env, nullptr);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1].index, 3);
    EXPECT_EQ(found[1].sharing, std::vector<VersionIndex>{2});
    EXPECT_TRUE(RunOnce(env, true));
    EXPECT_EQ(env.Content("C:\\VS9\\VC\\vcprojects\\TessaloomsMFC\\TessaloomProjectMFC.vsz"),
              "project 9.0");
    EXPECT_TRUE(env.Exists("C:\\VS71\\Vc7\\vcprojects\\TessaloomsMFC"));
}

// A version whose location the code page cannot hold, or whose key cannot
// be read, is set aside with the reason, never taken for one not installed.
TEST_F(Deployment, VersionWhoseLocationCannotBeReadIsSetAside) {
    env.SetInexactValue("Software\\Microsoft\\VisualStudio\\9.0", "InstallDir");
    RegisterVersion(env, 1, "C:\\VS71\\Common7\\IDE\\");
    env.AddDirectory("C:\\VS71\\Vc7");
    env.FailCall(Call::kOpenKey, 3, "refused");  // 8.0's, the third looked up
    std::vector<Unreadable> unreadable;
    const std::vector<Installation> found = FindInstallations(env, &unreadable);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].vcDir, "C:\\VS71\\Common7\\IDE\\..\\..\\vc7");
    ASSERT_EQ(unreadable.size(), 2u);
    EXPECT_EQ(unreadable[0].index, 2);
    EXPECT_EQ(unreadable[0].why.reason(), "refused");
    EXPECT_EQ(unreadable[1].index, 3);
    EXPECT_TRUE(unreadable[1].why.IsInexact());
}

// Any call failing at any moment of an installation over an earlier one
// leaves each version exactly as it was or with all of the new templates,
// and says which; the next run completes every one.
TEST(WholeOrUntouched, AnyFailedCallLeavesEachVersionOldOrNew) {
    FakeEnv clean;
    InstallThenUpgradeProduct(clean);
    Lines before[3], after[3];
    for (int v = 0; v < 3; ++v) {
        before[v] = Visible(clean, kVcDirs[v]);
    }
    ASSERT_TRUE(RunOnce(clean, true));
    for (int v = 0; v < 3; ++v) {
        after[v] = Visible(clean, kVcDirs[v]);
        ASSERT_NE(before[v], after[v]);
    }
    for (const Call call :
         {Call::kOpenFolder, Call::kOpenChild, Call::kListFolder, Call::kCreate, Call::kDelete,
          Call::kRename, Call::kRead, Call::kWrite, Call::kFlush, Call::kWriteValue}) {
        FakeEnv probe;
        InstallThenUpgradeProduct(probe);
        const int start = probe.CallCount(call);
        RunOnce(probe, true);
        const int calls = probe.CallCount(call) - start;
        ASSERT_GT(calls, 0) << static_cast<int>(call);
        // Forty moments spread over each kind of call, the first and last among them.
        const int step = calls / 40 + 1;
        for (int nth = 1; nth <= calls;
             nth = nth == calls || nth + step <= calls ? nth + step : calls) {
            FakeEnv env;
            InstallThenUpgradeProduct(env);
            const std::string reason = "fault " + std::to_string(static_cast<int>(call));
            env.FailCall(call, nth, reason);
            const bool complete = RunOnce(env, true);
            // The run that did not complete says why, in the failed call's words.
            const auto& told = env.Told();
            EXPECT_TRUE(complete || std::any_of(told.begin(), told.end(),
                                                [&](const auto& line) {
                                                    return line.find(": " + reason) !=
                                                           std::string::npos;
                                                }))
                << "call " << static_cast<int>(call) << " #" << nth << " "
                << (told.empty() ? "" : told.back());
            for (int v = 0; v < 3; ++v) {
                const Lines seen = Visible(env, kVcDirs[v]);
                EXPECT_TRUE(seen == after[v] || (!complete && seen == before[v]))
                    << "call " << static_cast<int>(call) << " #" << nth << " in " << kVcDirs[v];
            }
            EXPECT_TRUE(RunOnce(env, true));
            for (int v = 0; v < 3; ++v) {
                EXPECT_EQ(env.Tree(kVcDirs[v]), clean.Tree(kVcDirs[v]))
                    << "call " << static_cast<int>(call) << " #" << nth;
            }
        }
    }
}

// An installation or a removal over an earlier installation, what it
// leaves in each version before and after, and how many changes it makes.
struct KillCase {
    explicit KillCase(bool install) : install(install) {
        FakeEnv probe;
        InstallThenUpgradeProduct(probe);
        for (int v = 0; v < 3; ++v) {
            before[v] = Visible(probe, kVcDirs[v]);
        }
        probe.KillAt(0);
        EXPECT_TRUE(RunOnce(probe, install));
        changes = probe.ChangeCount();
        for (int v = 0; v < 3; ++v) {
            after[v] = Visible(probe, kVcDirs[v]);
        }
        EXPECT_TRUE(RunOnce(probe, false));
        for (int v = 0; v < 3; ++v) {
            removed[v] = Visible(probe, kVcDirs[v]);
        }
    }

    // The run killed at its change `nth`, and the power cut then.
    void KillAt(int nth, FakeEnv* env) const {
        InstallThenUpgradeProduct(*env);
        env->KillAt(nth);
        EXPECT_THROW(RunOnce(*env, install), FakeEnv::Killed) << nth;
        env->KillAt(0);
        env->CutPower();
    }

    // The next run's mending leaves every version exactly as before or
    // after, with nothing of the journal left, and its record true: a
    // removal then takes away everything Orvane added.
    void ExpectMendedWhole(FakeEnv& env, const std::string& what) const {
        for (int v = 0; v < 3; ++v) {
            EXPECT_TRUE(RecoverVersion(env, Installation{v + 1, kVcDirs[v], {}, {}})) << what;
            const Lines seen = Visible(env, kVcDirs[v]);
            EXPECT_TRUE(seen == before[v] || seen == after[v])
                << (install ? "installation " : "removal ") << what << " in " << kVcDirs[v];
            EXPECT_EQ(env.Tree(kVcDirs[v]).size(), seen.size() + 3) << what;
        }
        EXPECT_TRUE(RunOnce(env, false)) << what;
        for (int v = 0; v < 3; ++v) {
            EXPECT_EQ(Visible(env, kVcDirs[v]), removed[v]) << "removal after " << what;
        }
    }

    bool install;
    Lines before[3], after[3], removed[3];
    int changes = 0;
};

// A switch that fails in one version (a file held open in its old content)
// puts back every version already switched: all keep what they had.
TEST(WholeOrUntouched, AFailedSwitchLeavesEveryVersionAsItWas) {
    FakeEnv env;
    InstallThenUpgradeProduct(env);
    Lines before[3];
    for (int v = 0; v < 3; ++v) {
        before[v] = Visible(env, kVcDirs[v]);
    }
    env.HoldOpen("C:\\VS9\\VC\\vcprojectitems\\TessaloomsMFC\\AddToolBand.vsz");
    EXPECT_FALSE(RunOnce(env, true));
    for (int v = 0; v < 3; ++v) {
        EXPECT_EQ(Visible(env, kVcDirs[v]), before[v]) << kVcDirs[v];
        EXPECT_EQ(env.Tree(kVcDirs[v]).size(), before[v].size() + 3) << kVcDirs[v];
    }
}

// A run killed at any change, installation or removal, with the power cut
// then (every byte not yet made durable lost), is put back whole by the
// next run before it does its own work.
TEST(WholeOrUntouched, AKilledRunIsMendedWhole) {
    for (const bool install : {true, false}) {
        const KillCase run(install);
        for (int nth = 1; nth <= run.changes; ++nth) {
            FakeEnv env;
            run.KillAt(nth, &env);
            run.ExpectMendedWhole(env, "killed at change " + std::to_string(nth));
        }
    }
}

// A run killed while it mends what a killed run left is mended in turn:
// kills spread over the run, then at every change of the mending.
TEST(WholeOrUntouched, ARunKilledWhileItMendsIsMendedInTurn) {
    for (const bool install : {true, false}) {
        const KillCase run(install);
        for (int nth = 1; nth <= run.changes; nth += run.changes / 6 + 1) {
            FakeEnv killed;
            run.KillAt(nth, &killed);
            for (int mth = 1;; ++mth) {
                FakeEnv env = killed;
                env.KillAt(mth);
                try {
                    for (int v = 0; v < 3; ++v) {
                        RecoverVersion(env, Installation{v + 1, kVcDirs[v], {}, {}});
                    }
                    break;  // the mending ran to its end before change mth
                } catch (const FakeEnv::Killed&) {
                }
                env.KillAt(0);
                env.CutPower();
                run.ExpectMendedWhole(env, "killed at change " + std::to_string(nth) +
                                               ", its mending at " + std::to_string(mth));
            }
        }
    }
}

}  // namespace
}  // namespace orvane

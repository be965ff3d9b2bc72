#include "customise/ProjectRewriter.h"

#include <gtest/gtest.h>

#include "tests/native/FakeEnv.h"
#include "tests/native/ProductFixture.h"

namespace orvane {
namespace {

const std::string kProject = "C:\\Kit\\Samples\\S\\P.vcproj";
const std::string kTemp = "C:\\Kit\\Samples\\S\\P1.vcproj";
const std::string kInclude = "\tAdditionalIncludeDirectories=\"C:\\Kit\\Include\"";
const std::string kLibrary = "\tAdditionalLibraryDirectories=\"C:\\Kit\\Lib\"";

std::string Rewrite(const std::string& input) {
    FakeEnv env;
    env.AddFile(kProject, input);
    RewriteProjectFile(env, "C:\\", kProject, kTemp, "C:\\Kit\\Include", "C:\\Kit\\Lib");
    EXPECT_FALSE(env.Exists(kTemp));
    EXPECT_EQ(env.OpenFileCount(), 0u);
    return env.Content(kProject);
}

TEST(GetProductRoot, TextBeforeTheFirstTemplates) {
    EXPECT_EQ(GetProductRoot("C:\\Kit\\Templates\\"), "C:\\Kit\\");
    EXPECT_EQ(GetProductRoot("C:\\MyTemplates\\Kit\\Templates\\"), "C:\\My");
    EXPECT_EQ(GetProductRoot("C:\\Kit\\templates\\"), "");
    EXPECT_EQ(GetProductRoot("\\"), "");
}

TEST(RewriteLines, LineEndsAndTerminators) {
    EXPECT_EQ(Rewrite(""), "");
    EXPECT_EQ(Rewrite("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(Rewrite("a\nb"), "a\nb\n");
    EXPECT_EQ(Rewrite("\n\n\r\n"), "\n\n\n");
    EXPECT_EQ(Rewrite("x\r\n"), "x\n");
}

TEST(RewriteLines, LoneCarriageReturnsAndZeroBytesAreOrdinaryBytes) {
    EXPECT_EQ(Rewrite("a\rb\n"), "a\rb\n");
    EXPECT_EQ(Rewrite("a\r\rb\r\n"), "a\r\rb\n");
    // CRs that end a line belong to its line end, so a second run reads the
    // same lines back.
    EXPECT_EQ(Rewrite("a\r"), "a\n");
    EXPECT_EQ(Rewrite("\r"), "\n");
    EXPECT_EQ(Rewrite("x\n\r"), "x\n\n");
    EXPECT_EQ(Rewrite("a\r\r\n"), "a\n");
    EXPECT_EQ(Rewrite("a\r\r\r\nb"), "a\nb\n");
    EXPECT_EQ(Rewrite(std::string("<\0V\0>\0\r\0\n\0", 10)),
              std::string("<\0V\0>\0\r\0\n\0\n", 11));
}

TEST(RewriteLines, KeyLinesAreReplacedWhole) {
    EXPECT_EQ(Rewrite("\t\t\t\tAdditionalIncludeDirectories=\"..\\inc\"/>\r\n"), kInclude + "/>\n");
    EXPECT_EQ(Rewrite("\t\t\t\tAdditionalIncludeDirectories=\"..\\inc\"\r\n"), kInclude + "\n");
    EXPECT_EQ(Rewrite("<Tool AdditionalLibraryDirectories=\"x\" Other=\"y\">\n"), kLibrary + "\n");
    EXPECT_EQ(Rewrite("AdditionalLibraryDirectories=\"a\" AdditionalIncludeDirectories=\"b\"/>"),
              kInclude + "/>\n");
    EXPECT_EQ(Rewrite("/> then AdditionalIncludeDirectories"), kInclude + "/>\n");
    EXPECT_EQ(Rewrite("Name=\"MyAdditionalLibraryDirectoriesX\""), kLibrary + "\n");
    EXPECT_EQ(Rewrite("additionalincludedirectories=\"x\"/>\n"),
              "additionalincludedirectories=\"x\"/>\n");
    EXPECT_EQ(Rewrite("AdditionalIncludeDirectorie\nsX\n"), "AdditionalIncludeDirectorie\nsX\n");
}

TEST(RewriteLines, KeysAndLineEndsAcrossBufferBoundaries) {
    const std::string key = "AdditionalIncludeDirectories";
    for (std::size_t before = 4096 - 40; before <= 4096 + 2; ++before) {
        const std::string pad(before, 'p');
        EXPECT_EQ(Rewrite(pad + "\r\nq\r\n"), pad + "\nq\n") << before;
        EXPECT_EQ(Rewrite("a\n" + pad + key + "=\"x\"/>\r\nz"), "a\n" + kInclude + "/>\nz\n")
            << before;
        EXPECT_EQ(Rewrite("a\n" + pad + key.substr(0, 20) + "\n" + key.substr(20) + "\n"),
                  "a\n" + pad + key.substr(0, 20) + "\n" + key.substr(20) + "\n")
            << before;
    }
}

TEST(RewriteLines, LinesOfSeveralMegabytes) {
    const std::string big(3 * 1024 * 1024 + 17, 'b');
    EXPECT_EQ(Rewrite("first\r\n" + big + "\r\nlast"), "first\n" + big + "\nlast\n");
    // The key arrives after megabytes of the line were already written out,
    // and the replacement is shorter than what it takes back.
    EXPECT_EQ(Rewrite("first\n" + big + "AdditionalLibraryDirectories\r\nlast\r\n"),
              "first\n" + kLibrary + "\nlast\n");
    EXPECT_EQ(Rewrite("first\n" + big + "AdditionalLibraryDirectories"),
              "first\n" + kLibrary + "\n");
}

TEST(RewriteLines, SecondRunChangesNothing) {
    const std::string input =
        "<?xml version=\"1.0\"?>\r\n\t\t\t<Tool\r\n\t\t\t\tAdditionalIncludeDirectories=\"a\"\r\n"
        "\t\t\t\tAdditionalLibraryDirectories=\"b\"/>\r\n</VisualStudioProject>\r\n";
    const std::string once = Rewrite(input);
    EXPECT_EQ(Rewrite(once), once);
}

// A product root with XML's own characters keeps every project well-formed;
// other bytes, Windows-1252 or double-byte, are written as they are.
TEST(RewriteProjectFile, TheProductRootIsEscapedAsXmlRequires) {
    FakeEnv env;
    env.AddFile(kProject, "AdditionalIncludeDirectories\nAdditionalLibraryDirectories/>\n");
    RewriteProjectFile(env, "C:\\", kProject, kTemp, "C:\\R&D <\"Kit\"> \xe9\x83\\Include",
                       "C:\\R&D\\Lib");
    EXPECT_EQ(
        env.Content(kProject),
        "\tAdditionalIncludeDirectories=\"C:\\R&amp;D &lt;&quot;Kit&quot;&gt; \xe9\x83\\Include\"\n"
        "\tAdditionalLibraryDirectories=\"C:\\R&amp;D\\Lib\"/>\n");
}

TEST(RewriteProjectFile, MissingProjectOrFolderIsSkipped) {
    FakeEnv env;
    env.AddDirectory(kProject);
    RewriteProjectFile(env, "C:\\", kProject, kTemp, "I", "L");
    RewriteProjectFile(env, "C:\\", "C:\\none.vcproj", "C:\\none1.vcproj", "I", "L");
    EXPECT_FALSE(env.Exists(kTemp));
    EXPECT_FALSE(env.Exists("C:\\none1.vcproj"));
}

TEST(RewriteProjectFile, ExistingTemporaryFileIsOverwrittenAndGone) {
    FakeEnv env;
    env.AddFile(kProject, "AdditionalIncludeDirectories\n");
    env.AddFile(kTemp, std::string(10000, 'z'));
    RewriteProjectFile(env, "C:\\", kProject, kTemp, "C:\\Kit\\Include", "L");
    EXPECT_EQ(env.Content(kProject), kInclude + "\n");
    EXPECT_FALSE(env.Exists(kTemp));
}

// Whatever is at the temporary name goes itself, never what it leads to;
// only what cannot go stops the rewrite.
TEST(RewriteProjectFile, TemporaryNameIsClearedOrTheRewriteStops) {
    for (int way = 0; way < 5; ++way) {
        FakeEnv env;
        env.AddFile(kProject, "AdditionalIncludeDirectories\n");
        const bool goes = way < 3;
        if (way == 0 || way == 1) {
            env.AddLink(kTemp, way == 1);
        } else if (way == 2) {
            env.AddDirectory(kTemp);
        } else if (way == 3) {
            env.AddFile(kTemp + "\\inside", "theirs");
        } else {
            env.AddLink("C:\\Kit\\Samples\\S", true);
            env.AddFile(kProject, "AdditionalIncludeDirectories\n");
        }
        if (goes) {
            RewriteProjectFile(env, "C:\\", kProject, kTemp, "C:\\Kit\\Include", "L");
            EXPECT_EQ(env.Content(kProject), kInclude + "\n") << way;
            EXPECT_FALSE(env.Exists(kTemp)) << way;
        } else {
            EXPECT_THROW(RewriteProjectFile(env, "C:\\", kProject, kTemp, "I", "L"), FileError)
                << way;
            EXPECT_EQ(env.Content(kProject), "AdditionalIncludeDirectories\n") << way;
        }
        EXPECT_EQ(env.OpenFileCount(), 0u);
    }
}

TEST(RewriteProjectFile, UnopenableProjectRaisesAndStaysUnchanged) {
    for (int way = 0; way < 3; ++way) {
        FakeEnv env;
        env.AddFile(kProject, "AdditionalIncludeDirectories\n");
        if (way == 0) {
            env.SetReadOnly(kProject, true);
        } else if (way == 1) {
            env.HoldOpen(kProject);
        } else {
            env.FailCall(Call::kCreate);
        }
        EXPECT_THROW(RewriteProjectFile(env, "C:\\", kProject, kTemp, "I", "L"), FileError);
        EXPECT_EQ(env.Content(kProject), "AdditionalIncludeDirectories\n");
        EXPECT_FALSE(env.Exists(kTemp));
        EXPECT_EQ(env.OpenFileCount(), 0u);
    }
}

class PatchSampleProjectsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        product = MakeProduct("C:\\Kit\\Templates\\");
        for (int row = 0; row < kSampleProjectCount; ++row) {
            env.AddFile(ProjectPath(row), Original(row));
        }
    }
    static std::string ProjectPath(int row) {
        const SampleProject& sample = GetSampleProjects()[row];
        return std::string("C:\\Kit\\Samples\\") + sample.folder + "\\" + sample.project +
               ".vcproj";
    }
    static std::string TempPath(int row) {
        const std::string project = ProjectPath(row);
        return project.substr(0, project.size() - 7) + "1.vcproj";
    }
    static std::string Original(int row) {
        return "<VisualStudioProject Name=\"" + std::to_string(row) + "\">\r\n" +
               std::string(5000 + row * 300, 'x') + "\r\n\t\t\t\t" + std::string(4200, ' ') +
               "AdditionalIncludeDirectories=\"..\\..\\include\"\r\n"
               "\t\t\t\tAdditionalLibraryDirectories=\"..\\..\\lib\"/>\r\n";
    }
    static std::string Patched(int row) {
        return "<VisualStudioProject Name=\"" + std::to_string(row) + "\">\n" +
               std::string(5000 + row * 300, 'x') + "\n" + kInclude + "\n" + kLibrary + "/>\n";
    }
    FakeEnv env;
    Product product;
};

TEST_F(PatchSampleProjectsTest, EveryRowInTableOrder) {
    env.ClearLog();
    EXPECT_TRUE(PatchSampleProjects(env, OpenedProduct(env, product.templatesDir)).ok());
    std::vector<std::string> opened;
    for (const std::string& line : env.Log()) {
        if (line.rfind("open ", 0) == 0) {
            opened.push_back(line.substr(5));
        }
    }
    ASSERT_EQ(opened.size(), 23u);
    EXPECT_EQ(opened[0], "C:\\Kit\\Samples\\BandObjectsSample\\BandObjects.vcproj");
    for (int row = 0; row < kSampleProjectCount; ++row) {
        EXPECT_EQ(opened[row], ProjectPath(row));
        EXPECT_EQ(env.Content(ProjectPath(row)), Patched(row));
        EXPECT_FALSE(env.Exists(TempPath(row)));
    }
}

TEST_F(PatchSampleProjectsTest, MissingRowIsSkipped) {
    env.Remove(ProjectPath(4));
    EXPECT_TRUE(PatchSampleProjects(env, OpenedProduct(env, product.templatesDir)).ok());
    EXPECT_EQ(env.Content(ProjectPath(5)), Patched(5));
    EXPECT_FALSE(env.Exists(ProjectPath(4)));
}

TEST_F(PatchSampleProjectsTest, WithoutTemplatesInThePathEverythingIsRelative) {
    product = MakeProduct("C:\\Kit\\templates\\");
    env.AddFile("Samples\\BandObjectsSample\\BandObjects.vcproj",
                "AdditionalIncludeDirectories\nAdditionalLibraryDirectories/>\n");
    EXPECT_TRUE(PatchSampleProjects(env, OpenedProduct(env, product.templatesDir)).ok());
    EXPECT_EQ(env.Content("Samples\\BandObjectsSample\\BandObjects.vcproj"),
              "\tAdditionalIncludeDirectories=\"Include\"\n"
              "\tAdditionalLibraryDirectories=\"Lib\"/>\n");
    EXPECT_EQ(env.Content(ProjectPath(0)), Original(0));
}

// Every open, create, read, write, seek, truncate, flush and move of a whole
// run fails in turn, and the run is killed at every change. Each time the run ends at that project,
// every project holds either its old or its complete new bytes, and no temporary file or open
// handle is left.
TEST_F(PatchSampleProjectsTest, EveryFailingCallLeavesWholeFilesAndNoTemporaryFile) {
    std::map<Call, int> callsOfACleanRun;
    {
        FakeEnv clean;
        for (int row = 0; row < kSampleProjectCount; ++row) {
            clean.AddFile(ProjectPath(row), Original(row));
        }
        EXPECT_TRUE(PatchSampleProjects(clean, OpenedProduct(clean, product.templatesDir)).ok());
        for (Call call : {Call::kOpenChild, Call::kCreate, Call::kRead, Call::kWrite, Call::kSeek,
                          Call::kTruncate, Call::kFlush, Call::kRename}) {
            callsOfACleanRun[call] = clean.CallCount(call);
        }
    }
    EXPECT_GT(callsOfACleanRun[Call::kWrite], 23);
    EXPECT_GT(callsOfACleanRun[Call::kSeek], 0);
    EXPECT_GT(callsOfACleanRun[Call::kTruncate], 0);
    for (const auto& [call, count] : callsOfACleanRun) {
        for (int nth = 1; nth <= count; ++nth) {
            FakeEnv faulty;
            for (int row = 0; row < kSampleProjectCount; ++row) {
                faulty.AddFile(ProjectPath(row), Original(row));
            }
            faulty.FailCall(call, nth);
            EXPECT_FALSE(
                PatchSampleProjects(faulty, OpenedProduct(faulty, product.templatesDir)).ok())
                << static_cast<int>(call) << " " << nth;
            bool reachedUnpatched = false;
            for (int row = 0; row < kSampleProjectCount; ++row) {
                const std::string content = faulty.Content(ProjectPath(row));
                EXPECT_TRUE(content == Original(row) || content == Patched(row)) << row;
                // The run stopped: after the first unpatched project none is patched.
                if (reachedUnpatched) {
                    EXPECT_EQ(content, Original(row));
                }
                reachedUnpatched |= content == Original(row);
                EXPECT_FALSE(faulty.Exists(TempPath(row)));
            }
            EXPECT_TRUE(reachedUnpatched);
            EXPECT_EQ(faulty.OpenFileCount(), 0u);
        }
    }
    // Killed at any change, with the power cut then: still whole.
    for (int nth = 1;; ++nth) {
        FakeEnv killed;
        for (int row = 0; row < kSampleProjectCount; ++row) {
            killed.AddFile(ProjectPath(row), Original(row));
        }
        killed.KillAt(nth);
        try {
            EXPECT_TRUE(
                PatchSampleProjects(killed, OpenedProduct(killed, product.templatesDir)).ok());
            break;
        } catch (const FakeEnv::Killed&) {
        }
        killed.CutPower();
        for (int row = 0; row < kSampleProjectCount; ++row) {
            const std::string content = killed.Content(ProjectPath(row));
            EXPECT_TRUE(content == Original(row) || content == Patched(row)) << nth << " " << row;
        }
    }
}

}  // namespace
}  // namespace orvane

#include "app/RunSequence.h"

#include "app/CommandLine.h"
#include "app/TemplatesDir.h"
#include "customise/LauncherStamper.h"
#include "customise/ProjectRewriter.h"
#include "deploy/Deployment.h"
#include "deploy/FileSystem.h"

namespace orvane {

std::string TemplatesDir;

namespace {

// Looks at every part of the product an installation writes or copies
// before anything is changed: a link planted there (see Env::InspectBelow)
// stops the installation. The temporary project files are not looked at:
// whatever is at their names is removed, never followed. Each entry is
// decided again on its handle when it is used.
void RefuseLinksInProduct(Env& env) {
    const std::string root = GetTrustedRoot(TemplatesDir);
    const auto refuse = [](const std::string& path) {
        throw FileError("a link or a second name of another file: " + path);
    };
    const std::string samplesRoot = GetTrustedSamplesRoot(TemplatesDir);
    const std::string productRoot = GetProductRoot(TemplatesDir);
    for (int row = 0; row < kSampleProjectCount; ++row) {
        const std::string project =
            GetSampleProjectStem(productRoot, GetSampleProjects()[row]) + ".vcproj";
        if (InspectBelow(env, samplesRoot, project) == EntryKind::kLink) {
            refuse(project);
        }
    }
    for (const std::string& launcher : GetWizardLauncherPaths(TemplatesDir)) {
        if (InspectBelow(env, root, launcher) == EntryKind::kLink) {
            refuse(launcher);
        }
    }
    for (const std::string& tree : GetTemplateTrees(TemplatesDir)) {
        if (!IsFreeOfLinks(env, root, tree)) {
            refuse(tree);
        }
    }
}

}  // namespace

RunOutcome RunFromCommandLine(Env& env, const char* commandLine) {
    // Nothing is undone on failure: the steps that ran stay done, the rest
    // are skipped. A project that cannot be patched therefore stops the run
    // before anything in Visual Studio is touched.
    try {
        const auto words = SplitCommandLine(commandLine);
        if (!words || words->size() != 2) {
            return RunOutcome::kNotUnderstood;
        }
        const bool install = IsInstallSwitch((*words)[0]);
        TemplatesDir = (*words)[1];
        if (TemplatesDir.empty() || TemplatesDir.back() != '\\') {
            TemplatesDir += '\\';
        }
        if (install) {
            RefuseLinksInProduct(env);
            PatchSampleProjects(env);
            StampWizardLaunchers(env);
            // Both run whatever the first one came to.
            const bool removed = RemoveAllVersions(env);
            const bool deployed = DeployAllVersions(env);
            return removed && deployed ? RunOutcome::kInstalled : RunOutcome::kIncomplete;
        }
        return RemoveAllVersions(env) ? RunOutcome::kRemoved : RunOutcome::kIncomplete;
    } catch (...) {
        return RunOutcome::kStopped;
    }
}

int ExitStatus(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kInstalled:
        case RunOutcome::kRemoved:
            return 0;
        case RunOutcome::kStopped:
            return 1;
        case RunOutcome::kIncomplete:
            return 3;
        case RunOutcome::kNotUnderstood:
            break;
    }
    return 2;
}

}  // namespace orvane

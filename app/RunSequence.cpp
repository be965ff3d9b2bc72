#include "app/RunSequence.h"

#include "app/CommandLine.h"
#include "app/TemplatesDir.h"
#include "customise/LauncherStamper.h"
#include "customise/ProjectRewriter.h"
#include "deploy/Deployment.h"

namespace orvane {

std::string TemplatesDir;

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

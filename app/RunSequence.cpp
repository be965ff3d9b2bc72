#include "app/RunSequence.h"

#include <new>

#include "app/CommandLine.h"
#include "app/TemplatesDir.h"
#include "customise/LauncherStamper.h"
#include "customise/ProjectRewriter.h"
#include "deploy/Deployment.h"
#include "deploy/FileSystem.h"
#include "deploy/VisualStudio.h"

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
        throw FileError(path +
                        ": a link, a second name of another file, or a name the code "
                        "page cannot hold exactly, where the product's own file belongs");
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
        std::string where;
        if (!IsFreeOfLinks(env, root, tree, &where)) {
            refuse(where);
        }
    }
}

const char* const kUsage =
    "Orvane: not understood. Give two words: -i and the templates folder to add the "
    "templates (Orvane.exe -i \"C:\\Program Files\\Product\\Templates\\\"), or any other "
    "word and a second one to remove them (Orvane.exe -u x).";

// The versions an installation or removal reached, for the caller.
void TellServed(Env& env, bool install) {
    std::string served;
    for (VersionIndex index = 0; index < kVersionCount; ++index) {
        const std::string vcDir = GetInstalledVcDir(env, index);
        if (!vcDir.empty()) {
            served += (served.empty() ? "" : ", ") + GetVersionString(index) + " (" + vcDir + ")";
        }
    }
    if (served.empty()) {
        env.Tell("Orvane: no Visual Studio 7.0 to 10.0 is installed; nothing to do.");
        return;
    }
    env.Tell(std::string(install ? "Orvane: added the templates to Visual Studio "
                                 : "Orvane: removed the templates from Visual Studio ") +
             served + ".");
}

}  // namespace

RunOutcome RunFromCommandLine(Env& env, const char* commandLine) {
    // Nothing is undone on failure: the steps that ran stay done, the rest
    // are skipped. A project that cannot be patched therefore stops the run
    // before anything in Visual Studio is touched.
    try {
        const auto words = SplitCommandLine(commandLine);
        if (!words || words->size() != 2) {
            env.Tell(kUsage);
            return RunOutcome::kNotUnderstood;
        }
        const bool install = IsInstallSwitch((*words)[0]);
        TemplatesDir = (*words)[1];
        if (TemplatesDir.empty() || TemplatesDir.back() != '\\') {
            TemplatesDir += '\\';
        }
        if ((*words)[0] == "/i" || (*words)[0] == "/I") {
            env.Tell("Orvane: only -i adds the templates; \"" + (*words)[0] +
                     "\", like any other first word, removes them.");
        }
        if (install && !IsFullPath(TemplatesDir)) {
            // Relative to wherever the installer starts it, such as the
            // drive's root, where any user may have made the folders.
            env.Tell(
                "Orvane: not understood: the templates folder must be a full path, such as "
                "\"C:\\Program Files\\Product\\Templates\\\"; \"" +
                (*words)[1] + "\" is not. Nothing was done.");
            return RunOutcome::kNotUnderstood;
        }
        bool complete = true;
        if (install) {
            RefuseLinksInProduct(env);
            PatchSampleProjects(env);
            // Each runs whatever the ones before it came to.
            complete = StampWizardLaunchers(env);
            complete &= RemoveAllVersions(env);
            complete &= DeployAllVersions(env);
        } else {
            complete = RemoveAllVersions(env);
        }
        if (!complete) {
            env.Tell(install ? "Orvane: the installation ran to its end, but not all of it had "
                               "its effect (status 3)."
                             : "Orvane: the removal ran to its end, but not all of it had its "
                               "effect (status 3).");
            return RunOutcome::kIncomplete;
        }
        TellServed(env, install);
        return install ? RunOutcome::kInstalled : RunOutcome::kRemoved;
    } catch (const FileError& failure) {
        env.Tell(std::string("Orvane: stopped before any Visual Studio was changed: ") +
                 failure.what());
    } catch (const std::bad_alloc&) {
        env.Tell("Orvane: stopped: out of memory.");
    } catch (...) {
        env.Tell("Orvane: stopped.");
    }
    return RunOutcome::kStopped;
}

RunOutcome RefuseInexactCommandLine(Env& env) {
    env.Tell(
        "Orvane: not understood: the command line has a character the code page cannot "
        "hold exactly, and a look-alike would name another folder. Nothing was done.");
    return RunOutcome::kNotUnderstood;
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

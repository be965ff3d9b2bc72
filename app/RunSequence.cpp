#include "app/RunSequence.h"

#include <new>

#include "app/CommandLine.h"
#include "customise/LauncherStamper.h"
#include "customise/ProjectRewriter.h"
#include "deploy/Deployment.h"
#include "deploy/FileSystem.h"
#include "deploy/Layout.h"
#include "deploy/VisualStudio.h"

namespace orvane {

namespace {

// What is at `path` below `root`, in *kind.
Status LookAt(const Root& root, const std::string& path, EntryKind* kind) {
    *kind = EntryKind::kMissing;
    const Status status = InspectBelow(root, path, kind);
    return status.ok()
               ? status
               : Status::Failure(status.code(), path + ": cannot be looked at: " + status.reason());
}

// What `path` below `root` must not be, where the product's own file
// belongs: a link.
Status CheckNoLink(const Root& root, const std::string& path) {
    EntryKind kind = EntryKind::kMissing;
    Status status = LookAt(root, path, &kind);
    if (status.ok() && kind == EntryKind::kLink) {
        status =
            Status::Failure(0, path + ": " + kNotItself + ", where the product's own file belongs");
    }
    return status;
}

// Each template tree is a folder, with no link anywhere in it.
Status CheckTemplateTrees(const Product& product) {
    for (const std::string& tree : GetTemplateTrees(product)) {
        EntryKind kind = EntryKind::kMissing;
        Status status = LookAt(product.trusted, tree, &kind);
        if (status.ok() && kind != EntryKind::kFolder) {
            status = Status::Failure(0, tree +
                                            ": the product's templates are not there as a "
                                            "folder (is the templates folder right?)");
        }
        if (status.ok()) {
            status = CheckFreeOfLinks(product.trusted, tree);
        }
        if (!status.ok()) {
            return status;
        }
    }
    return Status();
}

// Each wizard has both its scripts, as files.
Status CheckWizardScripts(const Product& product) {
    for (const char* wizard : kWizardFolders) {
        for (const char* script : {kOlderScript, kNewerScript}) {
            const std::string path =
                Below(Below(Below(Below(GetWizardSource(product), wizard), kScriptFolders[0]),
                            kScriptFolders[1]),
                      script);
            EntryKind kind = EntryKind::kMissing;
            Status status = LookAt(product.trusted, path, &kind);
            if (status.ok() && kind != EntryKind::kFile) {
                status = Status::Failure(0, path + ": the wizard's script is not there as a file");
            }
            if (!status.ok()) {
                return status;
            }
        }
    }
    return Status();
}

// Looks at every part of the product an installation writes or copies
// before anything is changed: a tree that is not a folder, a wizard
// without its scripts, a link planted there (see CheckFreeOfLinks), or an
// entry that cannot be looked at stops the installation. The temporary
// project files are not looked at: whatever is at their names is removed,
// never followed. Each entry is decided again on its handle when it is used.
Status CheckProduct(const Product& product) {
    for (int row = 0; row < kSampleProjectCount; ++row) {
        const Status status = CheckNoLink(
            product.samples,
            GetSampleProjectStem(product.productRoot, GetSampleProjects()[row]) + ".vcproj");
        if (!status.ok()) {
            return status;
        }
    }
    for (const std::string& launcher : GetWizardLauncherPaths(product.templatesDir)) {
        const Status status = CheckNoLink(product.trusted, launcher);
        if (!status.ok()) {
            return status;
        }
    }
    const Status status = CheckTemplateTrees(product);
    return status.ok() ? CheckWizardScripts(product) : status;
}

const char* const kUsage =
    "Orvane: not understood. Give two words: -i and the templates folder to add the "
    "templates (Orvane.exe -i \"C:\\Program Files\\Product\\Templates\\\"), or any other "
    "word and a second one to remove them (Orvane.exe -u x).";

// The versions an installation or removal reached, for the caller.
void TellServed(Env& env, bool install, const std::vector<Installation>& installations) {
    std::string served;
    for (const Installation& installation : installations) {
        served += (served.empty() ? "" : ", ") + GetVersionString(installation.index) + " (" +
                  TidyPath(installation.vcDir) + ")";
    }
    if (served.empty()) {
        env.Tell("Orvane: no Visual Studio 7.0 to 10.0 is installed; nothing to do.");
        return;
    }
    env.Tell(std::string(install ? "Orvane: added the templates to Visual Studio "
                                 : "Orvane: removed the templates from Visual Studio ") +
             served + ".");
}

// The installations this run serves: each one found, put back whole where
// an earlier run left it unfinished. *complete turns false for each one
// that is not served.
std::vector<Installation> FindServedInstallations(Env& env, bool install, bool* complete) {
    std::vector<Unreadable> unreadable;
    std::vector<Installation> served;
    for (const Installation& installation : FindInstallations(env, &unreadable)) {
        env.Log("Orvane: Visual Studio " + GetVersionString(installation.index) +
                " is installed; its VC folder: " + TidyPath(installation.vcDir));
        for (const VersionIndex lower : installation.sharing) {
            env.Tell("Orvane: Visual Studio " + GetVersionString(lower) + " is registered at " +
                     GetVersionString(installation.index) + "'s VC folder (" +
                     TidyPath(installation.vcDir) + "), which gets " +
                     GetVersionString(installation.index) + "'s templates, once.");
        }
        if (RecoverVersion(env, installation)) {
            served.push_back(installation);
        } else {
            *complete = false;
        }
    }
    for (const Unreadable& version : unreadable) {
        // The text Orvane could use names another folder.
        const std::string why =
            version.why.IsInexact()
                ? "its InstallDir has a character the code page cannot hold exactly"
                : "its registration cannot be read (" + version.why.reason() + ")";
        env.Tell("Orvane: Visual Studio " + GetVersionString(version.index) + ": " + why +
                 ", so the templates were not " + (install ? "added to" : "removed from") + " it.");
        *complete = false;
    }
    return served;
}

// Starts this run's log, tells the caller where it is, and writes what the
// run was given.
void BeginLog(Env& env, const std::string& commandLine) {
    const std::string log = env.StartLog();
    if (!log.empty()) {
        env.Tell("Orvane: this run's log: " + log);
    }
    env.Log("Orvane: command line: " + commandLine);
}

RunOutcome EndLog(Env& env, RunOutcome outcome) {
    env.FinishTelling();
    env.Log("Orvane: ended with status " + std::to_string(ExitStatus(outcome)) + ".");
    return outcome;
}

// Gives the turn back when it goes, however the run ends.
struct HeldTurn {
    Env& env;
    ~HeldTurn() { env.GiveTurnBack(); }
};

RunOutcome Finish(Env& env, bool install, bool complete, const std::vector<Installation>& served) {
    if (!complete) {
        env.Tell(install ? "Orvane: the installation ran to its end, but not all of it had "
                           "its effect (status 3)."
                         : "Orvane: the removal ran to its end, but not all of it had its "
                           "effect (status 3).");
        return RunOutcome::kIncomplete;
    }
    TellServed(env, install, served);
    return install ? RunOutcome::kInstalled : RunOutcome::kRemoved;
}

// An installation: what earlier runs left unfinished is mended first,
// whatever the product turns out to be; then the product is checked and
// customised, and only then is any Visual Studio given the templates.
RunOutcome Install(Env& env, Product& product) {
    bool complete = true;
    const std::vector<Installation> served = FindServedInstallations(env, true, &complete);
    // The product's roots are opened once, and all of it from them.
    Status status = OpenProduct(env, &product);
    if (status.ok()) {
        status = CheckProduct(product);
    }
    if (status.ok()) {
        status = PatchSampleProjects(env, product);
    }
    if (!status.ok()) {
        env.Tell("Orvane: stopped before any Visual Studio was changed: " + status.reason());
        return RunOutcome::kStopped;
    }
    // Each runs whatever the ones before it came to.
    complete &= StampWizardLaunchers(env, product);
    complete &= InstallAllVersions(env, product, served);
    return Finish(env, true, complete, served);
}

RunOutcome Remove(Env& env) {
    bool complete = true;
    const std::vector<Installation> served = FindServedInstallations(env, false, &complete);
    complete &= RemoveAllVersions(env, served);
    return Finish(env, false, complete, served);
}

RunOutcome RunWords(Env& env, const char* commandLine) {
    // Only running out of memory, or a failure no step foresaw, ends the
    // run by an exception.
    try {
        const auto words = SplitCommandLine(commandLine);
        if (!words || words->size() != 2) {
            env.Tell(kUsage);
            return RunOutcome::kNotUnderstood;
        }
        const bool install = IsInstallSwitch((*words)[0]);
        Product product = MakeProduct((*words)[1]);
        if ((*words)[0] == "/i" || (*words)[0] == "/I") {
            env.Tell("Orvane: only -i adds the templates; \"" + (*words)[0] +
                     "\", like any other first word, removes them.");
        }
        if (install && !IsFullPath(product.templatesDir)) {
            // Relative to wherever the installer starts it, such as the
            // drive's root, where any user may have made the folders.
            env.Tell(
                "Orvane: not understood: the templates folder must be a full path, such as "
                "\"C:\\Program Files\\Product\\Templates\\\"; \"" +
                (*words)[1] + "\" is not. Nothing was done.");
            return RunOutcome::kNotUnderstood;
        }
        // Runs take turns: two at once would each move the other's content.
        const Status turn = env.TakeTurn();
        if (!turn.ok()) {
            env.Tell("Orvane: this run did not get its turn, so it changed nothing: " +
                     turn.reason() + " (status 3).");
            return RunOutcome::kIncomplete;
        }
        // Given back once the last change is made, before any window opens.
        const HeldTurn held{env};
        return install ? Install(env, product) : Remove(env);
    } catch (const std::bad_alloc&) {
        env.Tell("Orvane: stopped: out of memory.");
    } catch (...) {
        env.Tell("Orvane: stopped.");
    }
    return RunOutcome::kStopped;
}

}  // namespace

RunOutcome RunFromCommandLine(Env& env, const char* commandLine) {
    BeginLog(env, commandLine != nullptr ? commandLine : "");
    return EndLog(env, RunWords(env, commandLine));
}

RunOutcome RefuseInexactCommandLine(Env& env) {
    BeginLog(env, "(not written: it has a character the code page cannot hold exactly)");
    env.Tell(
        "Orvane: not understood: the command line has a character the code page cannot "
        "hold exactly, and a look-alike would name another folder. Nothing was done.");
    return EndLog(env, RunOutcome::kNotUnderstood);
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

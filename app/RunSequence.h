#pragma once

#include "platform/Env.h"

namespace orvane {

// What a run came to.
enum class RunOutcome {
    kInstalled,      // an installation ran to its end
    kRemoved,        // a removal ran to its end
    kStopped,        // a raised failure ended the run; the rest was skipped
    kIncomplete,     // it ran to its end, but some installed Visual Studio did
                     // not get (or lose) all of the templates
    kNotUnderstood,  // the command line is not two words: nothing was done
};

// Runs what the command line asks for, once this run has its turn among
// Orvane's runs. With "-i" and a templates directory: checks the product,
// patches the sample projects, stamps the wizard launchers, and replaces
// the templates in every installed Visual Studio, each whole or untouched.
// With any other first word and a second word: removes them. Either first
// puts back whole what an earlier run left unfinished. Any other command
// line, or "-i" with a templates word that is not a full path, does
// nothing. A failure raised by any step ends the run at once. What the run
// came to, and why, is told to the caller (Env::Tell).
RunOutcome RunFromCommandLine(Env& env, const char* commandLine);

// A command line with a character the code page cannot hold exactly: told
// to the caller, and nothing is done (kNotUnderstood).
RunOutcome RefuseInexactCommandLine(Env& env);

// The process's exit status for an installer to check: 0 when the work ran
// to its end and reached every installed Visual Studio, 1 when a failure
// stopped it, 2 when the command line was not understood, 3 when it ran to
// its end but some installed Visual Studio did not get (or lose) everything.
int ExitStatus(RunOutcome outcome);

}  // namespace orvane

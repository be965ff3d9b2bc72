#pragma once

#include "platform/Env.h"

namespace orvane {

// Runs what the command line asks for. With "-i" and a templates directory:
// patches the sample projects, stamps the wizard launchers, removes the
// templates from every installed Visual Studio and deploys them afresh. With
// any other first word and a second word: removes them. Any other command
// line does nothing. Returns true only when an installation ran to its end;
// a failure raised by any step ends the run at once with false.
bool RunFromCommandLine(Env& env, const char* commandLine);

}  // namespace orvane

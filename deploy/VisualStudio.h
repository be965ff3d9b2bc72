#pragma once

// The supported Visual Studio versions and where each one is installed.

#include <string>

#include "platform/Env.h"

namespace orvane {

// 0 "7.0", 1 "7.1", 2 "8.0", 3 "9.0", 4 "10.0".
using VersionIndex = int;
constexpr VersionIndex kVersionCount = 5;

// The version's text, or "" outside 0 to 4.
std::string GetVersionString(VersionIndex index);

// The folder two levels above the version's registered "InstallDir", of any
// length, as the registered text followed by "..\..\"; "" when the version is not
// registered or its location cannot be read, and then *unreadable, if
// given, holds why it could not be read (a key refused, a location the code
// page cannot hold exactly: Status::IsInexact), or success where nothing is
// registered. Reads the registry every call.
std::string GetVisualStudioRoot(Env& env, VersionIndex index, Status* unreadable = nullptr);

// The version's VC folder: `root` followed by "VC" (8.0 and later) or "vc7".
std::string GetVcDir(VersionIndex index, const std::string& root);

// 8.0 and later share the VC folder name and the newer wizard scripts.
bool UsesNewerLayout(VersionIndex index);

}  // namespace orvane

#pragma once

// Copying the templates and wizards into every installed Visual Studio, and
// deleting them again. Versions that are not registered, or whose VC folder
// is missing, are skipped. A failed step never stops the steps after it;
// each function says whether every step had its effect: each copy arrived
// whole (checked, since the shell may report a copy it did not make), each
// wizard script is in place, each folder removed is gone. A tree in which a
// link is found right before its copy is not copied.

#include <string>
#include <vector>

#include "deploy/VisualStudio.h"
#include "platform/Env.h"

namespace orvane {

// The product's trees that deployment copies: each version's two template
// folders, and the folder of the wizards.
std::vector<std::string> GetTemplateTrees(const std::string& templatesDir);

bool DeployForVersion(Env& env, VersionIndex index);
bool RemoveForVersion(Env& env, VersionIndex index);
bool DeployAllVersions(Env& env);
bool RemoveAllVersions(Env& env);

}  // namespace orvane

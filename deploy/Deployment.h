#pragma once

// Copying the templates and wizards into every installed Visual Studio, and
// deleting them again. Versions that are not registered, or whose VC folder
// is missing, are skipped. A failed step never stops the steps after it;
// each function says whether every step had its effect: every entry of each
// copy was written, each wizard script is in place, each folder removed is
// gone. Below Visual Studio's vcprojects, vcprojectitems and VCWizards, and
// below the product's folder, every entry is opened from its checked parent
// and used through that handle: a link met there is never followed; it is
// removed itself where the system allows that, and otherwise left in place
// and the step reported as not done. A version whose registered location
// the code page cannot hold exactly is not served, and reported. Each step without its effect is
// told to the caller (Env::Tell) with the version, the folder and the reason.

#include <string>
#include <vector>

#include "deploy/VisualStudio.h"
#include "platform/Env.h"

namespace orvane {

// The VC folder of an installed version, or "" when it is not installed
// or has no VC folder (*inexact, if given, as GetVisualStudioRoot sets it).
std::string GetInstalledVcDir(Env& env, VersionIndex index, bool* inexact = nullptr);

// The product's trees that deployment copies: each version's two template
// folders, and the folder of the wizards.
std::vector<std::string> GetTemplateTrees(const std::string& templatesDir);

bool DeployForVersion(Env& env, VersionIndex index);
bool RemoveForVersion(Env& env, VersionIndex index);
bool DeployAllVersions(Env& env);
bool RemoveAllVersions(Env& env);

}  // namespace orvane

#pragma once

// Copying the templates and wizards into every installed Visual Studio, and
// deleting them again. Versions that are not registered, or whose VC folder
// is missing, are skipped; the results of single copies and deletes are not
// acted on, so one failure never stops the steps after it.

#include "deploy/VisualStudio.h"
#include "platform/Env.h"

namespace orvane {

void DeployForVersion(Env& env, VersionIndex index);
void RemoveForVersion(Env& env, VersionIndex index);
void DeployAllVersions(Env& env);
void RemoveAllVersions(Env& env);

}  // namespace orvane

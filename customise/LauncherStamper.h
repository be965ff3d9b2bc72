#pragma once

// Stamping the wizard launchers with the product's base directory, so the
// wizards that Visual Studio starts know where the product lives.

#include <string>
#include <vector>

#include "deploy/Product.h"
#include "platform/Env.h"

namespace orvane {

// The 24 launcher names looked for in every template folder, in order.
std::vector<std::string> GetWizardLauncherNames();

// The parameter line naming `productRoot` as BASE_DIR.
std::string MakeBaseDirParamLine(const std::string& productRoot);

// Every launcher path looked for under `templatesDir`: each name in each
// version's two template folders, 240 in all.
std::vector<std::string> GetWizardLauncherPaths(const std::string& templatesDir);

// Appends the stamp to every launcher of every version and template folder
// of the product; missing launchers (and folders at their names) are
// skipped. Every run adds one more stamp. False when some existing launcher
// could not be stamped; each is written to the log, the first three are
// told to the caller with how many more there were, and the rest are still
// stamped.
bool StampWizardLaunchers(Env& env, const Product& product);

// Appends the stamp for `line` to one launcher below `root` if it exists,
// opened for reading and writing without sharing as itself. Fails when it
// exists and could not be stamped.
Status StampWizardLauncher(Env& env, const std::string& root, const std::string& launcherPath,
                           const std::string& line);
// The same below an open root.
Status StampWizardLauncher(const Root& root, const std::string& launcherPath,
                           const std::string& line);

// Writes a line feed, `line` and a line feed at the end of an open file.
Status AppendLineToFile(const File& file, const std::string& line);

}  // namespace orvane

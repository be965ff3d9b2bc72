#pragma once

#include <string>

namespace orvane {

// The product's templates directory from the command line. Empty until the
// run sequence sets it; from then on it always ends in a backslash and
// nothing changes it.
extern std::string TemplatesDir;

}  // namespace orvane

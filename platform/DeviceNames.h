#pragma once

#include <string>

namespace orvane {

// True when Windows takes `name`, one entry's name, for a device: "CON",
// "PRN", "AUX", "NUL", "COM1" to "COM9" or "LPT1" to "LPT9", in any case,
// with or without an extension and trailing blanks ("nul.txt", "CON ").
// Such an entry cannot be opened by its path, and one made through a handle
// would be a file nothing else can reach.
bool IsDeviceName(const std::string& name);

}  // namespace orvane

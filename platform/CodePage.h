#pragma once

namespace orvane {

// True when `byte` starts a double-byte character of the system code page;
// supplied by the platform layer (always false off Windows).
bool IsSystemLeadByte(unsigned char byte);

}  // namespace orvane

#pragma once

// The registry as Orvane uses it: HKEY_LOCAL_MACHINE in the 32-bit view,
// where Visual Studio 7.0 to 10.0 register. Each call keeps the promise
// Env gives for it.

#include <windows.h>

#include <string>

#include "platform/Env.h"

namespace orvane {

// Opens `subKey` for reading (Env::OpenKey).
Status OpenMachineKey(const std::string& subKey, HKEY* key);

// Reads value `name` of open key `key` (Key::Read).
Status ReadKeyValue(HKEY key, const std::string& name, std::string* value);

// Sets, or with an empty `value` deletes, value `name` of `subKey`
// (Env::WriteValue).
Status WriteMachineValue(const std::string& subKey, const std::string& name,
                         const std::string& value);

}  // namespace orvane

#pragma once

// Text between the system's UTF-16 and the system code page, exactly or not
// at all. Windows' own conversions put a look-alike ("best fit") where the
// code page lacks a character, and a look-alike names another file, folder
// or switch: an elevated program must refuse such a name instead.

#include <cstddef>
#include <string>

namespace orvane {

// `text`, in the code page, as UTF-16; false when it is not valid there or
// holds a zero byte.
bool ToWideExactly(const std::string& text, std::wstring* wide);

// `count` UTF-16 units in the code page; false when the code page cannot
// hold every character exactly.
bool ToCodePageExactly(const wchar_t* wide, std::size_t count, std::string* text);

}  // namespace orvane

#pragma once

// Splitting Orvane's command line into words.
//
// Only the space separates words; double quotes group them. The search for
// spaces and quotes steps over double-byte characters of the system code
// page, so the trail byte of such a character never counts as either.

#include <optional>
#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace orvane {

// Tells whether a byte starts a double-byte character.
using LeadByteTest = bool (*)(unsigned char byte);

// The words of `text`, or no list for an absent or empty text. Words may be
// empty and may be of any length.
std::optional<std::vector<std::string>> SplitCommandLine(
    const char* text, LeadByteTest isLeadByte = IsSystemLeadByte);

// `word` without its quotes: a word that starts with a double quote loses it
// and is cut at the next one. Any other word is returned unchanged.
std::string StripQuotes(const std::string& word, LeadByteTest isLeadByte = IsSystemLeadByte);

// True when `word`, lower-cased, is the install switch "-i".
bool IsInstallSwitch(const std::string& word);

// True when `path` names a folder by itself: a drive and its root ("C:\...")
// or a network or device path ("\\server\share\..."). Not an empty,
// relative or drive-relative path, nor one rooted without a drive ("\x"),
// whose meaning depends on where the program happens to start.
bool IsFullPath(const std::string& path);

}  // namespace orvane

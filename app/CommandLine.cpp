#include "app/CommandLine.h"

#include <cstring>

namespace orvane {
namespace {

constexpr std::size_t kNone = std::string::npos;

// The position of the next `wanted` character at or after `from`, stepping
// over whole double-byte characters.
std::size_t FindCharacter(const std::string& text, std::size_t from, char wanted,
                          LeadByteTest isLeadByte) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == wanted) {
            return i;
        }
        if (isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
        }
    }
    return kNone;
}

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(const char* rawText,
                                                         LeadByteTest isLeadByte) {
    if (rawText == nullptr || *rawText == '\0') {
        return std::nullopt;
    }
    const std::string text(rawText);
    std::vector<std::string> words;

    // `remaining` counts the characters not yet consumed. Characters skipped
    // on the way to an opening quote are never subtracted, so from then on
    // it exceeds what is really left: a space found at `p` is then no longer
    // the final single space, and an exhausted text yields one more, empty,
    // word. Callers see exactly two words only for well-formed command lines.
    long long remaining = static_cast<long long>(text.size());
    std::size_t p = 0;
    while (true) {
        const std::size_t space = FindCharacter(text, p, ' ', isLeadByte);
        const std::size_t quote = FindCharacter(text, p, '"', isLeadByte);
        std::size_t end;
        if (quote != kNone && space != kNone && quote < space) {
            p = quote;
            end = FindCharacter(text, p + 1, '"', isLeadByte);
        } else {
            end = space;
        }

        std::string word;
        if (end == kNone) {
            word = text.substr(p);
            remaining = 0;
        } else {
            if (end == p && remaining == 1) {
                return words;
            }
            word = text.substr(p, end - p);
            remaining -= static_cast<long long>(word.size()) + 1;
            p = end + 1;
        }
        words.push_back(StripQuotes(word, isLeadByte));
        if (remaining <= 0) {
            return words;
        }
    }
}

std::string StripQuotes(const std::string& word, LeadByteTest isLeadByte) {
    if (word.empty() || word[0] != '"') {
        return word;
    }
    const std::size_t close = FindCharacter(word, 1, '"', isLeadByte);
    return word.substr(1, close == kNone ? kNone : close - 1);
}

bool IsInstallSwitch(const std::string& word) {
    return word.size() == 2 && word[0] == '-' && (word[1] == 'i' || word[1] == 'I');
}

bool IsFullPath(const std::string& path) {
    const bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    const bool network = path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
    return drive || network;
}

}  // namespace orvane

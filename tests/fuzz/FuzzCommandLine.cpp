// The command-line splitter and StripQuotes on any text, in a single-byte
// and a double-byte code page.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/CommandLine.h"

namespace {

bool ShiftJisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
bool NoLeadByte(unsigned char) {
    return false;
}

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const orvane::LeadByteTest leadByte = (data[0] & 1) ? ShiftJisLeadByte : NoLeadByte;
    // An exactly sized copy, so that any read past the text's end is caught.
    const std::size_t length = strnlen(reinterpret_cast<const char*>(data + 1), size - 1);
    std::unique_ptr<char[]> text(new char[length + 1]);
    std::memcpy(text.get(), data + 1, length);
    text[length] = '\0';

    const auto words = orvane::SplitCommandLine(text.get(), leadByte);
    Require(words.has_value() == (length > 0));
    if (words) {
        std::size_t total = 0;
        for (const std::string& word : *words) {
            Require(word.size() <= length);
            total += word.size();
        }
        Require(total <= length);
        Require(words->size() <= length + 1);
    }
    const std::string word(text.get(), length);
    const std::string stripped = orvane::StripQuotes(word, leadByte);
    Require(stripped.size() <= word.size());
    Require(word.find(stripped) != std::string::npos);
    return 0;
}

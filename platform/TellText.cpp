#include "platform/TellText.h"

namespace orvane {

std::string EscapeControls(const std::string& line) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(line.size());
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace orvane

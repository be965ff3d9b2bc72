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

std::string CallerLines::Shown(const std::string& line) {
    std::string text = EscapeControls(line);
    if (text.size() > kMaxLineBytes) {
        const std::size_t keep = (kMaxLineBytes - 3) / 2;
        text = text.substr(0, keep) + "..." + text.substr(text.size() - keep);
    }
    return text + "\r\n";
}

std::string CallerLines::Admit(const std::string& line) {
    std::string text = Shown(line);
    if (heldBack_ == 0 && lines_ < kMaxLines && bytes_ + text.size() <= kMaxBytes) {
        ++lines_;
        bytes_ += text.size();
        return text;
    }
    ++heldBack_;
    last_ = std::move(text);
    return std::string();
}

std::string CallerLines::Closing(const std::string& logPath) const {
    if (heldBack_ == 0) {
        return std::string();
    }
    const std::string count = "Orvane: " + std::to_string(heldBack_ - 1) + " more line(s) ";
    const std::string more =
        heldBack_ == 1 ? std::string()
                       : Shown(count + (logPath.empty() ? "were not told (this run has no log)."
                                                        : "are in the log: " + logPath + "."));
    return more + last_;
}

}  // namespace orvane

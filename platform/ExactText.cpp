#include "platform/ExactText.h"

#include <windows.h>

namespace orvane {
namespace {

// `text` as UTF-16, zero bytes and all; false when it is not valid text in
// the code page.
bool Widen(const std::string& text, std::wstring* wide) {
    wide->clear();
    if (text.empty()) {
        return true;
    }
    const int size = static_cast<int>(text.size());
    const int length =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    wide->resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, &(*wide)[0],
                               length) == length;
}

}  // namespace

bool ToWideExactly(const std::string& text, std::wstring* wide) {
    return text.find('\0') == std::string::npos && Widen(text, wide);
}

bool ToCodePageExactly(const wchar_t* wide, std::size_t count, std::string* text) {
    text->clear();
    if (count == 0) {
        return true;
    }
    const int size = static_cast<int>(count);
    // UTF-8 takes no best-fit flag, and has no look-alikes to fall back on.
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = WideCharToMultiByte(CP_ACP, flags, wide, size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return false;
    }
    text->resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(CP_ACP, flags, wide, size, &(*text)[0], length, nullptr, nullptr);
    // Exact only when it comes back as it was.
    std::wstring back;
    return Widen(*text, &back) && back.size() == count && back.compare(0, count, wide, count) == 0;
}

}  // namespace orvane

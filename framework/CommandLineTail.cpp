#include "framework/CommandLineTail.h"

namespace fw {
namespace {

template <typename Char>
bool IsBlank(Char c) {
    return c != 0 && static_cast<unsigned>(c) <= ' ';
}

}  // namespace

template <typename Char>
const Char* SkipProgramPath(const Char* p) {
    static const Char kEmpty[1] = {0};
    if (p == nullptr) {
        return kEmpty;
    }
    if (*p == '"') {
        ++p;
        while (*p != 0 && *p != '"') {
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != 0 && !IsBlank(*p)) {
            ++p;
        }
    }
    while (IsBlank(*p)) {
        ++p;
    }
    return p;
}

template const char* SkipProgramPath(const char*);
template const wchar_t* SkipProgramPath(const wchar_t*);

}  // namespace fw

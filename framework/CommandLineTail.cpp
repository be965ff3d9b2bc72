#include "framework/CommandLineTail.h"

namespace fw {
namespace {

bool IsBlank(char c) {
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

const char* SkipProgramPath(const char* p) {
    if (p == nullptr) {
        return "";
    }
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && !IsBlank(*p)) {
            ++p;
        }
    }
    while (IsBlank(*p)) {
        ++p;
    }
    return p;
}

}  // namespace fw

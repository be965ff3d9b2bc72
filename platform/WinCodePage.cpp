#include <windows.h>

#include "platform/CodePage.h"

namespace orvane {

bool IsSystemLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != 0;
}

}  // namespace orvane

#include <windows.h>

#include "app/CommandLine.h"

namespace orvane {

bool IsSystemLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != 0;
}

}  // namespace orvane

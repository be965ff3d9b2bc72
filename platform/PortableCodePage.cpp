#include "platform/CodePage.h"

namespace orvane {

// Off Windows the logic works on single-byte text.
bool IsSystemLeadByte(unsigned char) {
    return false;
}

}  // namespace orvane

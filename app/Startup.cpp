// The program's entry point: it sets the process up before the C runtime
// starts, so that no DLL is loaded from a folder someone else can write.
// Only kernel32, ntdll and the DLLs the loader always takes from System32
// are in the process at this point.

#include "platform/DllSearch.h"

extern "C" int WinMainCRTStartup();

// The loader calls the entry point with no promise about stack alignment
// on x86; the runtime's own entry point realigns for the same reason.
extern "C" __attribute__((force_align_arg_pointer)) int OrvaneStartup() {
    orvane::SetUpProcess();
    return WinMainCRTStartup();
}

#pragma once

#include <windows.h>

namespace fw {

// The application object. Exactly one is defined, at namespace scope; the
// framework's WinMain finds it, fills in the command line and calls
// InitInstance. The program ends when InitInstance returns: this
// framework has no main window and so no main message loop.
class CWinApp {
  public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The whole life of the program. Its result is the framework's "go on"
    // answer, which the program has no use for.
    virtual BOOL InitInstance() = 0;

    // Called when InitInstance has returned; its result is the process's
    // exit status.
    virtual int ExitInstance() { return 0; }

    static CWinApp* Current();

    // The command line after the program's own path and the blanks after
    // it, as the system holds it (the code page's would put look-alikes for
    // characters it lacks).
    const wchar_t* m_lpWideCmdLine = L"";
};

}  // namespace fw

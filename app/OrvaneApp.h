#pragma once

#include "framework/WinApp.h"
#include "platform/WinEnv.h"

// The application object: its initialisation hook is the program's whole
// run, and it always ends the program when it returns.
class COrvaneApp : public fw::CWinApp {
  public:
    BOOL InitInstance() override;
    int ExitInstance() override;

  private:
    orvane::WinEnv m_env;
    int m_exitStatus = 0;
};

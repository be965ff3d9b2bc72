#include "app/OrvaneApp.h"

#include "app/CommandLine.h"
#include "app/RunSequence.h"
#include "ui/TemplatesAddedDlg.h"

COrvaneApp theApp;

BOOL COrvaneApp::InitInstance() {
    // Dialog controls and their 3-D look need no set-up on the Windows
    // versions this program runs on.
    if (!orvane::RunFromCommandLine(m_env, m_lpCmdLine)) {
        return FALSE;
    }
    if (!orvane::IsInstallRequest(m_lpCmdLine)) {
        return FALSE;
    }
    CTemplatesAddedDlg dialog;
    dialog.DoModal();
    return FALSE;
}

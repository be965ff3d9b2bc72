#include "app/OrvaneApp.h"

#include "app/RunSequence.h"
#include "ui/TemplatesAddedDlg.h"

COrvaneApp theApp;

BOOL COrvaneApp::InitInstance() {
    // Dialog controls and their 3-D look need no set-up on the Windows
    // versions this program runs on.
    const orvane::RunOutcome outcome = orvane::RunFromCommandLine(m_env, m_lpCmdLine);
    m_exitStatus = orvane::ExitStatus(outcome);
    // A window nobody can see would wait forever, and the installer with it.
    if (outcome != orvane::RunOutcome::kInstalled || !m_env.IsInteractive()) {
        return FALSE;
    }
    CTemplatesAddedDlg dialog;
    dialog.DoModal();
    return FALSE;
}

int COrvaneApp::ExitInstance() {
    return m_exitStatus;
}

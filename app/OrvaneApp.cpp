#include "app/OrvaneApp.h"

#include <cwchar>
#include <string>

#include "app/RunSequence.h"
#include "platform/ExactText.h"
#include "ui/TemplatesAddedDlg.h"

COrvaneApp theApp;

BOOL COrvaneApp::InitInstance() {
    // The words as the system holds them, in the code page exactly: the
    // code-page command line Windows makes would turn a character the code
    // page lacks into a look-alike, and name another folder.
    std::string commandLine;
    const orvane::RunOutcome outcome =
        orvane::ToCodePageExactly(m_lpWideCmdLine, std::wcslen(m_lpWideCmdLine), &commandLine)
            ? orvane::RunFromCommandLine(m_env, commandLine.c_str())
            : orvane::RefuseInexactCommandLine(m_env);
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

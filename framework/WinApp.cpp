#include "framework/WinApp.h"

#include "framework/CommandLineTail.h"

namespace fw {
namespace {

CWinApp* theApp = nullptr;

}  // namespace

CWinApp::CWinApp() {
    theApp = this;
}

CWinApp::~CWinApp() {
    if (theApp == this) {
        theApp = nullptr;
    }
}

CWinApp* CWinApp::Current() {
    return theApp;
}

}  // namespace fw

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    fw::CWinApp* app = fw::CWinApp::Current();
    if (app == nullptr) {
        return 1;
    }
    app->m_lpWideCmdLine = fw::SkipProgramPath(GetCommandLineW());
    app->InitInstance();
    return app->ExitInstance();
}

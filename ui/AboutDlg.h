#pragma once

#include "framework/Window.h"
#include "ui/resource.h"

// "About Orvane": the icon, the version and OK.
class CAboutDlg : public fw::CDialog {
  public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};

#pragma once

#include "framework/Window.h"
#include "ui/PictureBox.h"
#include "ui/resource.h"

// "Project Templates Added": the sentence, the illustration and OK, with an
// About item at the end of the system menu.
class CTemplatesAddedDlg : public fw::CDialog {
  public:
    explicit CTemplatesAddedDlg(fw::CWnd* parent = nullptr);
    ~CTemplatesAddedDlg() override = default;

    BEGIN_MSG_MAP(CTemplatesAddedDlg)
    MSG_WM_SYSCOMMAND(OnSysCommand)
    MSG_WM_PAINT(OnPaint)
    MSG_WM_QUERYDRAGICON(OnQueryDragIcon)
    CHAIN_MSG_MAP(fw::CDialog)
    END_MSG_MAP()

  protected:
    BOOL OnInitDialog() override;

  private:
    void OnSysCommand(UINT id, LPARAM point);
    void OnPaint(HDC given);
    HICON OnQueryDragIcon();

    CPictureBox m_picture;
    HICON m_hIcon;  // a shared resource icon, never destroyed
};

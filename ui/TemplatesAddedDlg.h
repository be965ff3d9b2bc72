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
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    CHAIN_MSG_MAP(fw::CDialog)
    END_MSG_MAP()

  protected:
    void DoDataExchange(fw::CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

  private:
    LRESULT OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, BOOL&);

    CPictureBox m_picture;
    HICON m_hIcon;  // a shared resource icon, never destroyed
};

#include "ui/TemplatesAddedDlg.h"

#include "ui/AboutDlg.h"
#include "ui/FitBitmapRect.h"

CTemplatesAddedDlg::CTemplatesAddedDlg(fw::CWnd* parent)
    : CDialog(IDD_TEMPLATESADDED, parent),
      m_hIcon(::LoadIconA(fw::AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
    m_picture.SetBitmap(IDB_ILLUSTRATION);
}

BOOL CTemplatesAddedDlg::OnInitDialog() {
    // The picture control paints through m_picture from now on, and has a
    // name a screen reader can announce.
    m_picture.SubclassDlgItem(IDC_PICTURE, this);
    m_picture.SetAccessibleName(
        "Illustration: the New Project dialog of Visual Studio with the Tessaloom templates "
        "added");

    HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu != nullptr) {
        char text[256] = "";
        if (::LoadStringA(fw::AfxGetResourceHandle(), IDS_ABOUTBOX, text, sizeof text) > 0) {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, text);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

void CTemplatesAddedDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) != IDM_ABOUTBOX) {
        SetMsgHandled(FALSE);
        return;
    }
    CAboutDlg about;
    about.DoModal();
}

void CTemplatesAddedDlg::OnPaint(HDC) {
    if (!::IsIconic(m_hWnd)) {
        SetMsgHandled(FALSE);
        return;
    }
    fw::CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int x = 0;
    int y = 0;
    orvane::CentreIcon(client.right - client.left, client.bottom - client.top,
                       ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), &x, &y);
    ::DrawIcon(dc.m_hDC, x, y, m_hIcon);
}

HICON CTemplatesAddedDlg::OnQueryDragIcon() {
    return m_hIcon;
}

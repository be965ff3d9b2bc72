#include "ui/TemplatesAddedDlg.h"

#include "ui/AboutDlg.h"
#include "ui/FitBitmapRect.h"

CTemplatesAddedDlg::CTemplatesAddedDlg(fw::CWnd* parent)
    : CDialog(IDD_TEMPLATESADDED, parent),
      m_hIcon(::LoadIconA(fw::AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
    m_picture.SetBitmap(IDB_ILLUSTRATION);
}

void CTemplatesAddedDlg::DoDataExchange(fw::CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    fw::DDX_Control(pDX, IDC_PICTURE, m_picture);
}

BOOL CTemplatesAddedDlg::OnInitDialog() {
    CDialog::OnInitDialog();

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

LRESULT CTemplatesAddedDlg::OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    if ((wParam & 0xFFF0) != IDM_ABOUTBOX) {
        handled = FALSE;
        return 0;
    }
    CAboutDlg about;
    about.DoModal();
    return 0;
}

LRESULT CTemplatesAddedDlg::OnPaint(UINT, WPARAM, LPARAM, BOOL& handled) {
    if (!::IsIconic(m_hWnd)) {
        handled = FALSE;
        return 0;
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
    return 0;
}

LRESULT CTemplatesAddedDlg::OnQueryDragIcon(UINT, WPARAM, LPARAM, BOOL&) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

#include "framework/Window.h"

#include <map>

namespace fw {
namespace {

// The window objects of this process by their handles, as MFC keeps its
// handle maps. A window property or a window's extra bytes can be written
// by any process on the desktop, and a pointer read from there and called
// through would run code of that process's choosing in this elevated one;
// only this process writes this table.
std::map<HWND, CWnd*>& WindowObjects() {
    static std::map<HWND, CWnd*> objects;
    return objects;
}

template <typename Object>
Object* FindObject(HWND hWnd) {
    const auto found = WindowObjects().find(hWnd);
    return found == WindowObjects().end() ? nullptr : static_cast<Object*>(found->second);
}

// The dialog whose window DoModal is creating: its WM_INITDIALOG finds the
// object here, never in the message's lParam, which any process can send.
CDialog*& DialogBeingCreated() {
    static CDialog* dialog = nullptr;
    return dialog;
}

}  // namespace

HINSTANCE AfxGetResourceHandle() {
    return ::GetModuleHandleA(nullptr);
}

// --- Subclassed controls ---------------------------------------------------------

CSubclassedWnd::~CSubclassedWnd() {
    Unsubclass();
}

BOOL CSubclassedWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    HWND control = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
    if (control == nullptr) {
        return FALSE;
    }
    m_hWnd = control;
    WindowObjects()[control] = this;
    m_previousProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CSubclassedWnd::WindowProc)));
    return TRUE;
}

void CSubclassedWnd::Unsubclass() {
    if (m_hWnd == nullptr) {
        return;
    }
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
    WindowObjects().erase(m_hWnd);
    m_hWnd = nullptr;
}

LRESULT CALLBACK CSubclassedWnd::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = FindObject<CSubclassedWnd>(hWnd);
    if (self == nullptr) {
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    }
    WNDPROC previous = self->m_previousProc;
    LRESULT result = 0;
    if (message != WM_NCDESTROY &&
        self->ProcessWindowMessage(hWnd, message, wParam, lParam, result)) {
        return result;
    }
    if (message == WM_NCDESTROY) {
        self->Unsubclass();
    }
    return ::CallWindowProcA(previous, hWnd, message, wParam, lParam);
}

// --- Dialogs --------------------------------------------------------------------------

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

INT_PTR CDialog::DoModal() {
    HWND owner = m_parent != nullptr ? m_parent->m_hWnd : nullptr;
    DialogBeingCreated() = this;
    INT_PTR result = ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_templateId),
                                       owner, &CDialog::DialogProc, 0);
    DialogBeingCreated() = nullptr;
    WindowObjects().erase(m_hWnd);
    m_hWnd = nullptr;
    return result;
}

void CDialog::EndDialog(INT_PTR result) {
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialogMessage(HWND, LPARAM) {
    const BOOL result = OnInitDialog();
    // The templates sit at (0, 0) without a centring style.
    PlaceInWorkArea();
    return result;
}

void CDialog::OnCommand(UINT, int id, HWND) {
    switch (id) {
        case IDOK:
        case IDCANCEL:
            EndDialog(id);
            return;
        default:
            SetMsgHandled(FALSE);
    }
}

// Centred in the work area of the window's monitor; a window larger than
// that area (a small screen, a high DPI) starts at its top left, so that
// its caption, and with it the way to move it, is on the screen.
void CDialog::PlaceInWorkArea() {
    RECT area;
    RECT window;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        area = monitor.rcWork;
    } else if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
        return;
    }
    if (!::GetWindowRect(m_hWnd, &window)) {
        return;
    }
    const auto place = [](LONG start, LONG end, LONG size) {
        return size >= end - start ? start : start + (end - start - size) / 2;
    };
    const LONG x = place(area.left, area.right, window.right - window.left);
    const LONG y = place(area.top, area.bottom, window.bottom - window.top);
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG && DialogBeingCreated() != nullptr) {
        CDialog* created = DialogBeingCreated();
        DialogBeingCreated() = nullptr;
        created->m_hWnd = hWnd;
        WindowObjects()[hWnd] = created;
    }
    auto* self = FindObject<CDialog>(hWnd);
    if (self == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        WindowObjects().erase(hWnd);
    }
    LRESULT result = 0;
    if (!self->ProcessWindowMessage(hWnd, message, wParam, lParam, result)) {
        return FALSE;
    }
    // These messages return their answer directly; every other one through
    // the dialog's message result.
    switch (message) {
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
            return static_cast<INT_PTR>(result);
        default:
            ::SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

// --- GDI owners -------------------------------------------------------------------------

BOOL CBitmap::LoadBitmap(UINT id) {
    DeleteObject();
    m_hBitmap = ::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
    return m_hBitmap != nullptr;
}

void CBitmap::DeleteObject() {
    if (m_hBitmap != nullptr) {
        ::DeleteObject(m_hBitmap);
        m_hBitmap = nullptr;
    }
}

int CBitmap::GetBitmap(BITMAP* info) const {
    return m_hBitmap == nullptr ? 0 : ::GetObjectA(m_hBitmap, sizeof(BITMAP), info);
}

}  // namespace fw

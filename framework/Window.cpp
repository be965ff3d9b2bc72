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

const CRuntimeClass CWnd::classCWnd = {"CWnd", nullptr};
const CRuntimeClass CStatic::classCStatic = {"CStatic", &CWnd::classCWnd};
const CRuntimeClass CDialog::classCDialog = {"CDialog", &CWnd::classCWnd};

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

void DDX_Control(CDataExchange* pDX, int id, CSubclassedWnd& control) {
    if (control.m_hWnd == nullptr) {
        control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
    }
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

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx = {saveAndValidate, this};
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) {
        EndDialog(IDOK);
    }
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

LRESULT CDialog::OnInitDialogMessage(UINT, WPARAM, LPARAM, BOOL&) {
    const BOOL result = OnInitDialog();
    // The templates sit at (0, 0) without a centring style.
    CentreInWorkArea();
    return result;
}

LRESULT CDialog::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return 0;
        case IDCANCEL:
            OnCancel();
            return 0;
        default:
            handled = FALSE;
            return 0;
    }
}

void CDialog::CentreInWorkArea() {
    RECT area;
    RECT window;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0) ||
        !::GetWindowRect(m_hWnd, &window)) {
        return;
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
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

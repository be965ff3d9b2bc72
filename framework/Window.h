#pragma once

// The least window framework the program needs: a window object with a
// message table, modal dialogs from resource templates, subclassed dialog
// controls, and owners for bitmaps and device contexts.

#include <windows.h>

namespace fw {

// Run-time class information: a class's name and its base.
struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
};

#define DECLARE_DYNAMIC(cls)                     \
  public:                                        \
    static const ::fw::CRuntimeClass class##cls; \
    const ::fw::CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(cls, base)                                        \
    const ::fw::CRuntimeClass cls::class##cls = {#cls, &base::class##base}; \
    const ::fw::CRuntimeClass* cls::GetRuntimeClass() const {               \
        return &class##cls;                                                 \
    }

// A message table: one MESSAGE_HANDLER line per message, each naming a
// member `LRESULT Handler(UINT, WPARAM, LPARAM, BOOL& handled)`. A handler
// that clears `handled` passes the message on; messages no line names get
// the base class's table, then the default handling.
#define BEGIN_MSG_MAP(cls)                                                        \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, \
                              LRESULT& lResult) override {                        \
        (void)hWnd;

#define MESSAGE_HANDLER(msg, func)                      \
    if (uMsg == (msg)) {                                \
        BOOL bHandled = TRUE;                           \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled) {                                 \
            return TRUE;                                \
        }                                               \
    }

#define CHAIN_MSG_MAP(base)                                                \
    if (base::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) { \
        return TRUE;                                                       \
    }

#define END_MSG_MAP() \
    return FALSE;     \
    }

class CWnd {
  public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    static const CRuntimeClass classCWnd;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCWnd; }

    // The message table; true when a handler took the message.
    virtual BOOL ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
};

// A window of an existing class whose messages are routed through this
// object's message table first.
class CSubclassedWnd : public CWnd {
  public:
    ~CSubclassedWnd() override;

    // Takes over dialog control `id` of `parent`. False when there is none.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

  private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Unsubclass();

    WNDPROC m_previousProc = nullptr;
};

class CStatic : public CSubclassedWnd {
  public:
    static const CRuntimeClass classCStatic;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCStatic; }
};

// Data exchange between a dialog and its controls.
struct CDataExchange {
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds dialog control `id` to `control` the first time it runs.
void DDX_Control(CDataExchange* pDX, int id, CSubclassedWnd& control);

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    static const CRuntimeClass classCDialog;
    const CRuntimeClass* GetRuntimeClass() const override { return &classCDialog; }

    // Creates the window from the template, runs its modal loop and returns
    // the code it ended with: IDOK, IDCANCEL, or -1 when it could not be
    // created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    BOOL UpdateData(BOOL saveAndValidate);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    BEGIN_MSG_MAP(CDialog)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialogMessage)
    MESSAGE_HANDLER(WM_COMMAND, OnCommand)
    END_MSG_MAP()

  protected:
    virtual void DoDataExchange(CDataExchange*) {}

  private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnInitDialogMessage(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    void CentreInWorkArea();

    UINT m_templateId;
    CWnd* m_parent;
};

// Owns one bitmap handle.
class CBitmap {
  public:
    CBitmap() = default;
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    BOOL LoadBitmap(UINT id);
    void DeleteObject();
    int GetBitmap(BITMAP* info) const;
    HBITMAP GetSafeHandle() const { return m_hBitmap; }

  private:
    HBITMAP m_hBitmap = nullptr;
};

// Opens a paint context for a window and closes it again.
class CPaintDC {
  public:
    explicit CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd) { m_hDC = ::BeginPaint(m_hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC m_hDC;
    PAINTSTRUCT m_ps;

  private:
    HWND m_hWnd;
};

// A memory device context, deleted with the object.
class CMemoryDC {
  public:
    explicit CMemoryDC(HDC compatibleWith) : m_hDC(::CreateCompatibleDC(compatibleWith)) {}
    ~CMemoryDC() {
        if (m_hDC != nullptr) {
            ::DeleteDC(m_hDC);
        }
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    HDC m_hDC;
};

// The module the program's resources come from.
HINSTANCE AfxGetResourceHandle();

}  // namespace fw

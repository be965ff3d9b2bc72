#pragma once

// The least window framework the program needs: a window object with a
// message table, modal dialogs from resource templates, subclassed dialog
// controls, and owners for bitmaps and device contexts.

#include <windows.h>

namespace fw {

// A message table, as WTL writes one: a line per message, each naming a
// member handler with the message's own parameters ("cracked"). A handler
// that calls SetMsgHandled(FALSE) passes the message on; messages no line
// names get the base class's table (CHAIN_MSG_MAP), then the default
// handling.
#define BEGIN_MSG_MAP(cls)                                                        \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, \
                              LRESULT& lResult) override {                        \
        (void)hWnd;                                                               \
        (void)wParam;                                                             \
        (void)lParam;

// Runs `call`, whose result (if any) `store` puts in lResult, with the
// message taken unless the handler says otherwise; a message the handler
// sends itself keeps its own answer.
#define FW_CRACKED(msg, store)                  \
    if (uMsg == (msg)) {                        \
        const BOOL outerHandled = m_msgHandled; \
        m_msgHandled = TRUE;                    \
        store;                                  \
        const BOOL taken = m_msgHandled;        \
        m_msgHandled = outerHandled;            \
        if (taken) {                            \
            return TRUE;                        \
        }                                       \
    }

// BOOL OnInitDialog(HWND focus, LPARAM initParam): TRUE puts the focus on
// the first tab stop.
#define MSG_WM_INITDIALOG(func) \
    FW_CRACKED(WM_INITDIALOG, lResult = func(reinterpret_cast<HWND>(wParam), lParam))
// void OnCommand(UINT notifyCode, int id, HWND control)
#define MSG_WM_COMMAND(func)                                                                      \
    FW_CRACKED(WM_COMMAND, (func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam)), \
                            lResult = 0))
// void OnSysCommand(UINT id, LPARAM point)
#define MSG_WM_SYSCOMMAND(func) \
    FW_CRACKED(WM_SYSCOMMAND, (func(static_cast<UINT>(wParam), lParam), lResult = 0))
// void OnPaint(HDC given): `given` is the context WM_PAINT's wParam names,
// mostly none; the handlers here ignore it and open a paint context.
#define MSG_WM_PAINT(func) FW_CRACKED(WM_PAINT, (func(reinterpret_cast<HDC>(wParam)), lResult = 0))
// HICON OnQueryDragIcon()
#define MSG_WM_QUERYDRAGICON(func) \
    FW_CRACKED(WM_QUERYDRAGICON, lResult = reinterpret_cast<LRESULT>(func()))

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

    // The message table; true when a handler took the message.
    virtual BOOL ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    // Within a handler: whether the message is taken (TRUE until it says
    // otherwise), or passed on.
    void SetMsgHandled(BOOL handled) { m_msgHandled = handled; }

    HWND m_hWnd = nullptr;

  protected:
    BOOL m_msgHandled = TRUE;
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

class CStatic : public CSubclassedWnd {};

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Creates the window from the template, runs its modal loop and returns
    // the code it ended with: IDOK, IDCANCEL, or -1 when it could not be
    // created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // The dialog's own set-up, its controls made; TRUE puts the focus on
    // the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }

    BEGIN_MSG_MAP(CDialog)
    MSG_WM_INITDIALOG(OnInitDialogMessage)
    MSG_WM_COMMAND(OnCommand)
    END_MSG_MAP()

  private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialogMessage(HWND focus, LPARAM initParam);
    void OnCommand(UINT notifyCode, int id, HWND control);
    void PlaceInWorkArea();

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

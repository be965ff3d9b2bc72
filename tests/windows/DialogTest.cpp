// The real confirmation window and About box, run modally on the test's
// thread and driven from a second thread as a user would drive them.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "ui/AboutDlg.h"
#include "ui/TemplatesAddedDlg.h"

namespace {

const char kTitle[] = "Project Templates Added";
const char kAboutTitle[] = "About Orvane";

// Polls for a visible top-level window of this process with `title`.
HWND WaitForWindow(const char* title, int milliseconds = 10000) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        HWND window = FindWindowA(nullptr, title);
        DWORD pid = 0;
        if (window != nullptr) {
            GetWindowThreadProcessId(window, &pid);
        }
        if (window != nullptr && pid == GetCurrentProcessId() && IsWindowVisible(window)) {
            return window;
        }
        Sleep(20);
    }
    return nullptr;
}

bool WaitUntilGone(const char* title, int milliseconds = 5000) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (FindWindowA(nullptr, title) == nullptr) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

void PressEscape(HWND dialog) {
    HWND ok = GetDlgItem(dialog, IDOK);
    PostMessageA(ok, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(ok, WM_KEYUP, VK_ESCAPE, 0);
}

struct DriverContext {
    std::function<void(HWND)> drive;
    std::string* failure;
    bool closes;
};

DWORD WINAPI DriverThread(LPVOID parameter) {
    auto* ctx = static_cast<DriverContext*>(parameter);
    HWND window = WaitForWindow(kTitle);
    if (window == nullptr) {
        *ctx->failure = "the confirmation window did not appear";
        return 0;
    }
    ctx->drive(window);
    if (ctx->closes && !WaitUntilGone(kTitle, 3000)) {
        *ctx->failure = "the window stayed open";
    }
    if (IsWindow(window)) {
        Sleep(300);
        if (IsWindow(window)) {
            HWND about = FindWindowA(nullptr, kAboutTitle);
            if (about != nullptr) {
                PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
            }
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return 0;
}

// Runs the confirmation window modally while `drive` works it from another
// thread with the window's handle; returns the modal result. A driver that
// `closes` the window must have closed it within three seconds; otherwise
// the window is cancelled for it, so the test cannot hang.
INT_PTR RunDriven(std::function<void(HWND)> drive, std::string* failure, bool closes = false) {
    DriverContext context{std::move(drive), failure, closes};
    HANDLE thread = CreateThread(nullptr, 0, &DriverThread, &context, 0, nullptr);
    CTemplatesAddedDlg dialog;
    const INT_PTR result = dialog.DoModal();
    WaitForSingleObject(thread, 15000);
    CloseHandle(thread);
    return result;
}

TEST(ConfirmationWindow, SystemMenuEndsWithSeparatorAndAboutItem) {
    std::string failure;
    int count = 0;
    UINT separatorType = 0, aboutId = 0;
    char text[64] = "";
    RunDriven(
        [&](HWND window) {
            HMENU menu = GetSystemMenu(window, FALSE);
            count = GetMenuItemCount(menu);
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE;
            GetMenuItemInfoA(menu, count - 2, TRUE, &info);
            separatorType = info.fType;
            aboutId = GetMenuItemID(menu, count - 1);
            GetMenuStringA(menu, count - 1, text, sizeof text, MF_BYPOSITION);
        },
        &failure);
    EXPECT_EQ(failure, "");
    ASSERT_GE(count, 2);
    EXPECT_TRUE(separatorType & MFT_SEPARATOR);
    EXPECT_EQ(aboutId, 16u);
    EXPECT_STREQ(text, "&About Orvane...");
}

TEST(ConfirmationWindow, AboutBoxOpensForCommands16To31Only) {
    std::string failure;
    bool opened16 = false, opened31 = false, opened32 = false, stayedOpen = false;
    bool aboutVisibleAfterEsc = true;
    RunDriven(
        [&](HWND window) {
            for (WPARAM command : {WPARAM{16}, WPARAM{31}}) {
                PostMessageA(window, WM_SYSCOMMAND, command, 0);
                HWND about = WaitForWindow(kAboutTitle, 5000);
                (command == 16 ? opened16 : opened31) = about != nullptr;
                if (about != nullptr) {
                    PressEscape(about);
                    aboutVisibleAfterEsc = !WaitUntilGone(kAboutTitle);
                }
            }
            stayedOpen = IsWindowVisible(window) != FALSE;
            PostMessageA(window, WM_SYSCOMMAND, 32, 0);
            opened32 = WaitForWindow(kAboutTitle, 700) != nullptr;
        },
        &failure);
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(opened16);
    EXPECT_TRUE(opened31);
    EXPECT_FALSE(opened32);
    EXPECT_FALSE(aboutVisibleAfterEsc);
    EXPECT_TRUE(stayedOpen);
}

TEST(ConfirmationWindow, CloseCodes) {
    std::string failure;
    EXPECT_EQ(RunDriven([](HWND window) { PostMessageA(GetDlgItem(window, IDOK), BM_CLICK, 0, 0); },
                        &failure, true),
              IDOK);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(RunDriven([](HWND window) { PressEscape(window); }, &failure, true), IDCANCEL);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(RunDriven([](HWND window) { PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0); },
                        &failure, true),
              IDCANCEL);
    EXPECT_EQ(failure, "");
}

TEST(ConfirmationWindow, IconsAndDragIcon) {
    std::string failure;
    LRESULT big = 0, small = 0, drag = 0;
    bool pictureSubclassed = false;
    char pictureName[128] = "";
    RunDriven(
        [&](HWND window) {
            big = SendMessageA(window, WM_GETICON, ICON_BIG, 0);
            small = SendMessageA(window, WM_GETICON, ICON_SMALL, 0);
            drag = SendMessageA(window, WM_QUERYDRAGICON, 0, 0);
            // Subclassed, and found through no property another process could set.
            const HWND picture = GetDlgItem(window, 1000);
            pictureSubclassed =
                GetWindowLongPtrA(picture, GWLP_WNDPROC) !=
                    static_cast<LONG_PTR>(GetClassLongPtrA(picture, GCLP_WNDPROC)) &&
                GetPropA(picture, "fw.CWnd") == nullptr;
            // A name a screen reader announces.
            GetWindowTextA(picture, pictureName, sizeof pictureName);
        },
        &failure);
    const LRESULT icon =
        reinterpret_cast<LRESULT>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128)));
    EXPECT_EQ(failure, "");
    EXPECT_NE(icon, 0);
    EXPECT_EQ(big, icon);
    EXPECT_EQ(small, icon);
    EXPECT_EQ(drag, icon);
    EXPECT_TRUE(pictureSubclassed);
    EXPECT_EQ(std::string(pictureName).rfind("Illustration: ", 0), 0u) << pictureName;
}

TEST(ConfirmationWindow, LayoutMatchesTheTemplate) {
    std::string failure;
    RECT picture = {}, window = {};
    LONG_PTR exStyle = 0, style = 0;
    char caption[64] = "";
    RunDriven(
        [&](HWND w) {
            GetClientRect(GetDlgItem(w, 1000), &picture);
            GetWindowRect(w, &window);
            style = GetWindowLongPtrA(w, GWL_STYLE);
            exStyle = GetWindowLongPtrA(w, GWL_EXSTYLE);
            GetWindowTextA(w, caption, sizeof caption);
        },
        &failure);
    EXPECT_EQ(failure, "");
    EXPECT_STREQ(caption, kTitle);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_GT(picture.right, 0);
    EXPECT_GT(picture.bottom, 0);
    // Centred in the work area.
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (area.top + area.bottom) / 2, 1);
}

TEST(PictureBox, PaintsNothingWithoutABitmap) {
    CPictureBox box;
    box.SetBitmap(999);  // no such resource
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 8, 8);
    HGDIOBJ old = SelectObject(memory, canvas);
    SetPixel(memory, 4, 4, RGB(1, 2, 3));
    box.DrawBitmap(memory);
    EXPECT_EQ(GetPixel(memory, 4, 4), RGB(1, 2, 3));
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

}  // namespace

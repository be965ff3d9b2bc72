#include "ui/PictureBox.h"

#include "ui/FitBitmapRect.h"

void CPictureBox::SetBitmap(unsigned int resourceId) {
    // Loading deletes the bitmap held first.
    m_bitmap.LoadBitmap(LOWORD(resourceId));
    m_bitmap.GetBitmap(&m_bitmapInfo);
}

void CPictureBox::SetAccessibleName(const char* name) {
    ::DefWindowProcA(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
}

void CPictureBox::OnPaint(HDC) {
    fw::CPaintDC dc(this);
    DrawBitmap(dc.m_hDC);
}

void CPictureBox::DrawBitmap(HDC target) {
    if (m_bitmap.GetSafeHandle() == nullptr) {
        return;
    }
    fw::CMemoryDC memory(target);
    // A client rectangle starts at (0, 0) and is never inside out.
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    HGDIOBJ previous = ::SelectObject(memory.m_hDC, m_bitmap.GetSafeHandle());
    const orvane::BitmapPlacement place =
        orvane::FitBitmapRect(client.right - client.left, client.bottom - client.top,
                              m_bitmapInfo.bmWidth, m_bitmapInfo.bmHeight);
    if (place.mode == orvane::DrawMode::kCopy) {
        ::BitBlt(target, place.x, place.y, m_bitmapInfo.bmWidth, m_bitmapInfo.bmHeight,
                 memory.m_hDC, 0, 0, SRCCOPY);
    } else if (place.mode == orvane::DrawMode::kStretch) {
        // HALFTONE averages the source pixels, so the shrunken illustration
        // keeps its thin lines and text legible; it needs the brush origin
        // set after the mode.
        ::SetStretchBltMode(target, HALFTONE);
        ::SetBrushOrgEx(target, 0, 0, nullptr);
        ::StretchBlt(target, place.x, place.y, place.width, place.height, memory.m_hDC, 0, 0,
                     m_bitmapInfo.bmWidth, m_bitmapInfo.bmHeight, SRCCOPY);
    }
    ::SelectObject(memory.m_hDC, previous);
}

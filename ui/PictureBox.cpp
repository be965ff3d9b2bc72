#include "ui/PictureBox.h"

#include <utility>

#include "ui/FitBitmapRect.h"

IMPLEMENT_DYNAMIC(CPictureBox, CStatic)

void CPictureBox::SetBitmap(unsigned int resourceId) {
    m_bitmap.DeleteObject();
    m_bitmap.LoadBitmap(LOWORD(resourceId));
    m_bitmap.GetBitmap(&m_bitmapInfo);
}

LRESULT CPictureBox::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    fw::CPaintDC dc(this);
    DrawBitmap(dc.m_hDC);
    return 0;
}

void CPictureBox::DrawBitmap(HDC target) {
    if (m_bitmap.GetSafeHandle() == nullptr) {
        return;
    }
    fw::CMemoryDC memory(target);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (client.left > client.right) {
        std::swap(client.left, client.right);
    }
    if (client.top > client.bottom) {
        std::swap(client.top, client.bottom);
    }
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

#pragma once

#include "framework/Window.h"

// A static control that paints one resource bitmap: at its own size and
// centred when it is smaller than the control both ways, otherwise scaled
// to fit with its proportions kept.
class CPictureBox : public fw::CStatic {
    DECLARE_DYNAMIC(CPictureBox)

  public:
    CPictureBox() = default;
    ~CPictureBox() override = default;

    // Replaces the bitmap by resource `resourceId` (low 16 bits). When the
    // resource cannot be loaded the box holds no bitmap and paints nothing.
    void SetBitmap(unsigned int resourceId);

    void DrawBitmap(HDC target);

    BEGIN_MSG_MAP(CPictureBox)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    END_MSG_MAP()

  private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);

    fw::CBitmap m_bitmap;
    BITMAP m_bitmapInfo;
};

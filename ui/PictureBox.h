#pragma once

#include "framework/Window.h"

// A static control that paints one resource bitmap: at its own size and
// centred when it is smaller than the control both ways, otherwise scaled
// to fit with its proportions kept.
class CPictureBox : public fw::CStatic {
  public:
    CPictureBox() = default;
    ~CPictureBox() override = default;

    // Replaces the bitmap by resource `resourceId` (low 16 bits). When the
    // resource cannot be loaded the box holds no bitmap and paints nothing.
    void SetBitmap(unsigned int resourceId);

    void DrawBitmap(HDC target);

    // Gives the control `name` as its window text, which screen readers
    // announce. Set past the static control's own handling, which would
    // take the text of a bitmap control for the name of a bitmap to load.
    void SetAccessibleName(const char* name);

    BEGIN_MSG_MAP(CPictureBox)
    MSG_WM_PAINT(OnPaint)
    END_MSG_MAP()

  private:
    void OnPaint(HDC given);

    fw::CBitmap m_bitmap;
    BITMAP m_bitmapInfo;
};

#pragma once

#include <windows.h>

class CWnd;

// Painting of one window: begins when built, ends when destroyed.
class CPaintDC {
  public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC m_hDC;

  private:
    HWND window_;
    PAINTSTRUCT paint_;
};

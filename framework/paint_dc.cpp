#include "framework/paint_dc.h"

#include "framework/wnd.h"

CPaintDC::CPaintDC(CWnd* window) : window_(window->m_hWnd), paint_{} {
    m_hDC = BeginPaint(window_, &paint_);
}

CPaintDC::~CPaintDC() { EndPaint(window_, &paint_); }

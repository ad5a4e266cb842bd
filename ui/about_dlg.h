#pragma once

#include "framework/dialog.h"
#include "res/resource.h"

// The About box: icon, name and version, a notice, and OK. OK, Enter,
// Escape and the close box all close it.
class CAboutDlg : public CDialog {
  public:
    CAboutDlg() : CDialog(DLG_ABOUT) {}
};

#pragma once

#include <windows.h>

#include <string>

#include "framework/afx_string.h"
#include "framework/cmd_target.h"

class CWnd;

// Which way UpdateData moves the texts, and the window whose fields it moves.
struct CDataExchange {
    bool m_bSaveAndValidate;  // true: fields to members; false: members to fields
    CWnd* m_pDlgWnd;
};

// A window's text, wide (exact whatever the ANSI code page), from this process.
std::wstring TextOf(HWND window);

// Moves the text of control `id` to or from `value`, as `dx` says.
void DDX_Text(CDataExchange* dx, int id, CStringA& value);

class CWnd : public CCmdTarget {
  public:
    HWND m_hWnd = nullptr;

    // TRUE copies the fields into the members, FALSE the members into the
    // fields. The window's own control notifications are ignored meanwhile,
    // so that writing a field never re-enters a change handler.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    bool IsUpdatingData() const { return updatingData_; }

    // Asks for the platform's default processing of the message being handled.
    LRESULT Default();
    // Whether the handler now running asked for the default processing; clears the request.
    bool TakeDefaultRequest();

  protected:
    virtual void DoDataExchange(CDataExchange*) {}

  private:
    bool updatingData_ = false;
    bool defaultRequested_ = false;
};

#pragma once

#include <windows.h>

#include "framework/wnd.h"

// A modal dialog made from a dialog template resource.
class CDialog : public CWnd {
  public:
    // No window yet: DoModal makes it from template `templateId`.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog and runs its message loop until EndDialog or a quit
    // message; the window is destroyed before it returns. Without a parent the
    // application's main window owns it, and is disabled meanwhile.
    INT_PTR DoModal();
    void EndDialog(int result);

    bool RouteMessage(const Message& m, LRESULT& result) override;

  protected:
    // Fills the fields from the members; TRUE lets the dialog manager set the focus.
    virtual BOOL OnInitDialog();
    // Enter, and the OK button where there is one. Closes the dialog.
    virtual void OnOK();
    // Escape, the close box and the Cancel button where there is one. Closes the dialog.
    virtual void OnCancel();
    // The window is going; its controls still exist.
    virtual void OnDestroy() {}
    void OnPaint();

  private:
    static const MessageEntry<CDialog> messageMap[];

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    CWnd* parent_;
    bool ended_ = false;
    INT_PTR result_ = -1;
};

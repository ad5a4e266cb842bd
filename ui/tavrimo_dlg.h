#pragma once

#include <windows.h>

#include <optional>

#include "framework/accessible_names.h"
#include "framework/afx_string.h"
#include "framework/dialog.h"

// The main window: the height field, the two estimates, Calculate and Exit.
class CTavrimoDlg : public CDialog {
  public:
    explicit CTavrimoDlg(CWnd* parent = nullptr);
    ~CTavrimoDlg() override;

    bool RouteMessage(const Message& m, LRESULT& result) override;

  protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // The dialog ends only through Exit: Enter, Escape and the close box do nothing.
    void OnOK() override {}
    void OnCancel() override {}
    void OnDestroy() override;

  private:
    static const MessageEntry<CTavrimoDlg> messageMap[];

    void OnSysCommand(UINT id, LPARAM param);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnExit();
    void OnCalculate();
    void OnHeightChanged();

    HICON appIcon;  // shared with the module's resources, never freed
    CStringA heightText;
    CStringA lengthText;
    CStringA diameterText;
    // Each field's name and unit for screen readers, while the window exists.
    std::optional<CAccessibleNames> accessibleNames;
};

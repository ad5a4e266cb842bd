// The keystroke baseline: Tavrimo's own template after the same common-controls call, with
// nothing behind it but the height check as the program makes it: on each change, all three
// fields to their strings, the height read and checked, and the strings back. What a
// keystroke costs beyond this is the rest of the program's doing.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "core/estimate.h"
#include "core/number_text.h"
#include "framework/afx_string.h"
#include "framework/dialog.h"
#include "framework/win_app.h"
#include "res/resource.h"

namespace {

class CChangeBaselineDlg : public CDialog {
  public:
    CChangeBaselineDlg() : CDialog(DLG_MAIN, nullptr) {}

    bool RouteMessage(const Message& m, LRESULT& result) override;

  protected:
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Text(dx, EDIT_HEIGHT, heightText);
        DDX_Text(dx, EDIT_LENGTH, lengthText);
        DDX_Text(dx, EDIT_DIAMETER, diameterText);
    }

  private:
    static const MessageEntry<CChangeBaselineDlg> messageMap[];

    void OnHeightChanged() {
        UpdateData(TRUE);
        if (!tavrimo::IsHeightAccepted(tavrimo::TextToMeasure(heightText.str())))
            heightText.Empty();
        UpdateData(FALSE);
    }

    CStringA heightText;
    CStringA lengthText;
    CStringA diameterText;
};

const MessageEntry<CChangeBaselineDlg> CChangeBaselineDlg::messageMap[] = {
    {WM_COMMAND, EN_CHANGE, EDIT_HEIGHT, &CChangeBaselineDlg::OnHeightChanged},
};

bool CChangeBaselineDlg::RouteMessage(const Message& m, LRESULT& result) {
    return RouteThrough<CChangeBaselineDlg>(*this, messageMap, m, result) ||
           CDialog::RouteMessage(m, result);
}

class CChangeBaselineApp : public CWinApp {
  public:
    BOOL InitInstance() override {
        const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        CChangeBaselineDlg dialog;
        dialog.DoModal();
        return FALSE;
    }
};

CChangeBaselineApp theApp;

}  // namespace

#include "app/tavrimo_app.h"

#include <commctrl.h>

#include "ui/tavrimo_dlg.h"

namespace {

constexpr UINT kHelpCommand = 0xE146;

// The one application object, made before the entry point runs.
CTavrimoApp theApp;

}  // namespace

const MessageEntry<CTavrimoApp> CTavrimoApp::messageMap[] = {
    {WM_COMMAND, 0, kHelpCommand, &CWinApp::OnHelp},
};

CTavrimoApp::~CTavrimoApp() = default;

bool CTavrimoApp::RouteMessage(const Message& m, LRESULT& result) {
    return RouteThrough<CTavrimoApp>(*this, messageMap, m, result) ||
           CWinApp::RouteMessage(m, result);
}

BOOL CTavrimoApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    CTavrimoDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

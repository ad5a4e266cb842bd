#include "framework/win_app.h"

namespace {
CWinApp* theApp = nullptr;
}

CWinApp::CWinApp() { theApp = this; }

CWinApp::~CWinApp() {
    if (theApp == this) theApp = nullptr;
}

BOOL CWinApp::InitInstance() { return FALSE; }

int CWinApp::ExitInstance() { return m_exitCode; }

CWinApp* AfxGetApp() { return theApp; }

HINSTANCE AfxGetInstanceHandle() { return theApp != nullptr ? theApp->m_hInstance : nullptr; }

HINSTANCE AfxFindResourceHandle(LPCSTR, LPCSTR) { return AfxGetInstanceHandle(); }

int AfxWinMain(HINSTANCE instance) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) return -1;
    app->m_hInstance = instance;
    app->InitInstance();
    return app->ExitInstance();
}

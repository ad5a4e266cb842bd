#pragma once

#include <windows.h>

#include <string>

#include "framework/cmd_target.h"

class CWnd;

// The application object. Exactly one exists; the entry point finds it
// through AfxGetApp and hands control to its InitInstance.
class CWinApp : public CCmdTarget {
  public:
    CWinApp();
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs the program. Its only message loops are those of its modal
    // dialogs, so the program ends when this returns.
    virtual BOOL InitInstance();
    // The process's exit code: that of the quit message that ended the last modal loop.
    virtual int ExitInstance();

    // Records the settings root. Nothing is read or written under it.
    void SetRegistryKey(const wchar_t* root) { registryKey_ = root; }
    // The standard Help command. The program ships no help file, so there is nothing to show.
    void OnHelp() {}

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    int m_exitCode = 0;

  private:
    std::wstring registryKey_;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The module that holds resource `name` of `type`: the program itself.
HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type);
// Allows embedded controls in dialogs; the dialogs here host none, so nothing to prepare.
inline void AfxEnableControlContainer() {}
int AfxWinMain(HINSTANCE instance);

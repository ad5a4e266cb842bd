#include "app/tavrimo_app.h"

#include <commctrl.h>

#include <memory>
#include <type_traits>

#include "framework/system_library.h"
#include "ui/tavrimo_dlg.h"

namespace {

constexpr UINT kHelpCommand = 0xE146;

// From here on, DLLs are loaded from the system directory only, where the system
// offers that choice (it is looked up, so that the program still starts without it).
void KeepDllLoadsInTheSystemDirectory() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    auto setDirectories = ProcAddress<SetDefaultDllDirectoriesFunction>(
        GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (setDirectories != nullptr) setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// comctl32 is not among the DLLs that Windows always takes from its own directory:
// imported, it would first be looked for beside the program, in whatever folder the
// program was downloaded to. So it is loaded by its full path, once, and kept.
// Without it the dialogs still work: their controls are all user32's.
void InitCommonControlsFromTheSystem(const INITCOMMONCONTROLSEX& controls) {
    struct FreeLibraryDeleter {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    static const std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeLibraryDeleter> comctl32(
        LoadSystemLibrary(L"comctl32.dll"));
    if (comctl32 == nullptr) return;
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = ProcAddress<InitFunction>(comctl32.get(), "InitCommonControlsEx");
    if (init != nullptr) init(&controls);
}

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
    KeepDllLoadsInTheSystemDirectory();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsFromTheSystem(controls);
    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    CTavrimoDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

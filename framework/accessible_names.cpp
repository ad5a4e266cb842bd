#include <windows.h>
// After windows.h, which they need.
#include <ole2.h>
// The accessibility ids used here are defined in this file, from the platform headers'
// own values: the static uuid library's object that holds them holds some 2,000 other
// ids too. So initguid.h comes after ole2.h, whose ids stay declared only, and before
// the first oleacc.h (the header below includes it too).
#include <initguid.h>
// Its ids are the ones defined here.
#include <oleacc.h>

#include <algorithm>
#include <iterator>

#include "framework/accessible_names.h"
#include "framework/system_library.h"
#include "framework/wnd.h"

namespace {

const MSAAPROPID kProperties[] = {PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION};

// COM's entry points, from ole32 loaded by its full path in the system directory the first
// time a field is annotated, and kept: the program imports nothing of COM.
struct Com {
    decltype(&CoInitializeEx) initialize;
    decltype(&CoCreateInstance) create;
    decltype(&CoUninitialize) uninitialize;
};

const Com* LoadCom() {
    static const Com com = [] {
        HMODULE ole32 = LoadSystemLibrary(L"ole32.dll");
        return Com{ProcAddress<decltype(&CoInitializeEx)>(ole32, "CoInitializeEx"),
                   ProcAddress<decltype(&CoCreateInstance)>(ole32, "CoCreateInstance"),
                   ProcAddress<decltype(&CoUninitialize)>(ole32, "CoUninitialize")};
    }();
    return com.initialize && com.create && com.uninitialize ? &com : nullptr;
}

bool ScreenReaderRunning() {
    BOOL running = FALSE;
    return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
}

}  // namespace

CAccessibleNames::CAccessibleNames(std::span<const Field> fields)
    : fields_(fields.begin(), fields.end()) {
    for (const Field& field : fields_) {
        auto& subclass = subclasses_.emplace_back();
        if (field.control == nullptr) continue;
        subclass = std::make_unique<Subclass>(Subclass{
            this, reinterpret_cast<WNDPROC>(GetWindowLongPtrW(field.control, GWLP_WNDPROC))});
        SetWindowLongPtrW(field.control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(subclass.get()));
        SetWindowLongPtrW(field.control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Listen));
    }
    // A screen reader that is already running asks at once: the names are in place first.
    if (ScreenReaderRunning()) annotated_ = Annotate();
}

CAccessibleNames::~CAccessibleNames() {
    for (HWND control : named_)
        services_->ClearHwndProps(control, OBJID_CLIENT, CHILDID_SELF, kProperties,
                                  static_cast<int>(std::size(kProperties)));
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        HWND control = fields_[i].control;
        if (control == nullptr || !IsWindow(control)) continue;  // gone, and nothing to undo
        std::unique_ptr<Subclass>& subclass = subclasses_[i];
        subclass->listener = nullptr;  // from now on Listen only passes messages on
        if (GetWindowLongPtrW(control, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Listen)) {
            SetWindowLongPtrW(control, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(subclass->procedure));
            SetWindowLongPtrW(control, GWLP_USERDATA, 0);
        } else {
            // A procedure set after ours calls ours in turn: ours stays, and what it needs
            // with it, until the window goes (Listen lets go of it then).
            static_cast<void>(subclass.release());
        }
    }
    services_.reset();
    if (comInitialised_) LoadCom()->uninitialize();
}

LRESULT CALLBACK CAccessibleNames::Listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* subclass = reinterpret_cast<Subclass*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    WNDPROC procedure = subclass->procedure;
    CAccessibleNames* self = subclass->listener;
    if (message == WM_GETOBJECT && self != nullptr && !self->annotated_ && !self->annotating_) {
        // Annotating may give the window a procedure of its own that answers requests, so
        // the request goes on through the window's procedures as they are now; it comes
        // back here meanwhile, and passes on.
        self->annotating_ = true;
        self->annotated_ = self->Annotate();
        LRESULT result = SendMessageW(window, message, wParam, lParam);
        self->annotating_ = false;
        return result;
    }
    if (message == WM_NCDESTROY && self == nullptr) delete subclass;  // let go by its listener
    return CallWindowProcW(procedure, window, message, wParam, lParam);
}

bool CAccessibleNames::Annotate() {
    const Com* com = LoadCom();
    if (com == nullptr) return false;
    if (!comReady_) {
        // S_FALSE: this thread's apartment is already single-threaded, and counts this call
        // too. RPC_E_CHANGED_MODE: it is another kind, whose COM serves as well and is not
        // this object's to give back.
        HRESULT result = com->initialize(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(result) && result != RPC_E_CHANGED_MODE) return false;
        comReady_ = true;
        comInitialised_ = SUCCEEDED(result);
    }
    if (services_ == nullptr) {
        IAccPropServices* services = nullptr;
        // COM finds oleacc by its registered full path: nothing is looked for beside the program.
        if (FAILED(com->create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IAccPropServices, reinterpret_cast<void**>(&services))))
            return false;
        services_.reset(services);
    }
    bool all = true;
    for (const Field& field : fields_) {
        if (field.control == nullptr || (field.label == nullptr && field.note == nullptr) ||
            std::ranges::find(named_, field.control) != named_.end())
            continue;
        const HWND sources[] = {field.label, field.note};
        bool set = false;
        for (std::size_t i = 0; i < std::size(kProperties); ++i) {
            if (sources[i] == nullptr) continue;
            set |= SUCCEEDED(services_->SetHwndPropStr(field.control, OBJID_CLIENT, CHILDID_SELF,
                                                       kProperties[i], TextOf(sources[i]).c_str()));
        }
        if (set)
            named_.push_back(field.control);
        else
            all = false;
    }
    return all;
}

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

#include "framework/accessible_names.h"
#include "framework/wnd.h"

namespace {

const MSAAPROPID kProperties[] = {PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION};

}  // namespace

CAccessibleNames::CAccessibleNames() {
    // S_FALSE (already initialised on this thread) must be balanced too.
    comInitialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IAccPropServices* services = nullptr;
    // COM finds oleacc by its registered full path: nothing is looked for beside the program.
    if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IAccPropServices, reinterpret_cast<void**>(&services))))
        services_.reset(services);
}

CAccessibleNames::~CAccessibleNames() {
    for (HWND control : annotated_)
        services_->ClearHwndProps(control, OBJID_CLIENT, CHILDID_SELF, kProperties,
                                  static_cast<int>(std::size(kProperties)));
    services_.reset();
    if (comInitialised_) CoUninitialize();
}

void CAccessibleNames::Name(HWND control, HWND label, HWND note) {
    if (services_ == nullptr || control == nullptr) return;
    const HWND sources[] = {label, note};
    bool set = false;
    for (std::size_t i = 0; i < std::size(kProperties); ++i) {
        if (sources[i] == nullptr) continue;
        set |= SUCCEEDED(services_->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF,
                                                   kProperties[i], TextOf(sources[i]).c_str()));
    }
    if (set) annotated_.push_back(control);
}

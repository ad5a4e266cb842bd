#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <ole2.h>
#include <oleacc.h>

#include <memory>
#include <vector>

// Gives controls the name and description that screen readers announce (the platform's
// Dynamic Annotation), for as long as this object lives. It holds COM, apartment-threaded,
// on the thread that made it. Every failure is silent and leaves the controls as they
// were: without COM or oleacc, or where annotations are not implemented, nothing is named.
class CAccessibleNames {
  public:
    CAccessibleNames();
    // Clears the annotations it set, then gives COM back.
    ~CAccessibleNames();
    CAccessibleNames(const CAccessibleNames&) = delete;
    CAccessibleNames& operator=(const CAccessibleNames&) = delete;

    // Names `control` with the text of `label` and describes it with the text of `note`.
    void Name(HWND control, HWND label, HWND note);

  private:
    struct Release {
        void operator()(IUnknown* object) const { object->Release(); }
    };

    bool comInitialised_ = false;
    std::unique_ptr<IAccPropServices, Release> services_;
    std::vector<HWND> annotated_;
};

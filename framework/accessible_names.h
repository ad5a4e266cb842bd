#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <ole2.h>
#include <oleacc.h>

#include <memory>
#include <span>
#include <vector>

// Gives controls the name and description that screen readers announce (the platform's
// Dynamic Annotation) from the moment one is asked about: every client sends a control
// WM_GETOBJECT before it reads its name, so until the first one reaches a field, or unless
// a screen reader runs when this object is made, nothing of COM or oleacc is loaded. It
// listens by subclassing the fields, for as long as it lives. Once it annotates, it holds
// COM, apartment-threaded, on the thread that made it. Every failure is silent and leaves
// the controls as they were; the next request tries again.
class CAccessibleNames {
  public:
    // A control, the static whose text names it and the static whose text describes it.
    struct Field {
        HWND control;
        HWND label;
        HWND note;
    };

    explicit CAccessibleNames(std::span<const Field> fields);
    // Clears the annotations it set, gives COM back if it took it, and stops listening on
    // each field whose procedure is still its own.
    ~CAccessibleNames();
    CAccessibleNames(const CAccessibleNames&) = delete;
    CAccessibleNames& operator=(const CAccessibleNames&) = delete;

  private:
    struct Release {
        void operator()(IUnknown* object) const { object->Release(); }
    };
    // What a subclassed field's procedure needs, kept in its user data: a lookup in this
    // process, where a window property would be one in the window server for each message.
    struct Subclass {
        CAccessibleNames* listener;  // nullptr once this object is gone
        WNDPROC procedure;           // the one it passes messages on to
    };

    static LRESULT CALLBACK Listen(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Names every field not named yet; true once all are.
    bool Annotate();

    std::vector<Field> fields_;
    std::vector<std::unique_ptr<Subclass>> subclasses_;  // a field's, where it still holds it
    bool annotated_ = false;
    bool annotating_ = false;
    bool comReady_ = false;  // initialised here, or already in another apartment's mode
    bool comInitialised_ = false;
    std::unique_ptr<IAccPropServices, Release> services_;
    std::vector<HWND> named_;
};

#pragma once

#include "framework/win_app.h"

// The application object: prepares the platform, runs the main dialog, and
// ends the program when the dialog ends.
class CTavrimoApp : public CWinApp {
  public:
    CTavrimoApp() = default;
    ~CTavrimoApp() override;

    bool RouteMessage(const Message& m, LRESULT& result) override;
    BOOL InitInstance() override;

  private:
    static const MessageEntry<CTavrimoApp> messageMap[];
};

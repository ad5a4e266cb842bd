#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

// Polls `condition` every few milliseconds until it holds or `timeout` passes.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Sends a message to a window of another process and waits for the answer at
// most `timeout`; nothing when none came in time.
std::optional<LRESULT> SendBounded(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(5));

// The folder that holds this test program (and the win64 Tavrimo.exe beside it).
std::wstring ProgramFolder();

std::string Utf8(const std::wstring& text);

// Which program holds the foreground, where real input goes: its file name, process id
// and window caption, as UTF-8 for a test's message.
std::string ForegroundHolder();

// Reads a window's text from another process.
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);

// Tavrimo.exe started as a separate process, worked from outside through its
// window. Always ends the program it started.
class TavrimoProcess {
  public:
    // Starts `exe` and waits for its window with `caption` to show.
    explicit TavrimoProcess(const std::wstring& exe = ProgramFolder() + L"\\Tavrimo.exe",
                            const std::wstring& caption = L"Tavrimo");
    ~TavrimoProcess();
    TavrimoProcess(const TavrimoProcess&) = delete;
    TavrimoProcess& operator=(const TavrimoProcess&) = delete;

    HWND Dialog() const { return dialog_; }
    HWND Control(int id) const { return GetDlgItem(dialog_, id); }
    std::wstring Text(int id) const { return WindowText(Control(id)); }
    DWORD ThreadId() const { return thread_; }
    HANDLE ProcessHandle() const { return process_.hProcess; }

    // One WM_CHAR per character, each handled before the next is sent.
    void Type(int id, const std::wstring& text) const;
    // Replaces a control's text with a sent WM_SETTEXT: Windows sends none for
    // SetWindowText on another process's control.
    void SetText(int id, const std::wstring& text) const;
    // Brings the dialog to the foreground, where real input goes; false if the
    // system refused (Windows limits which process may do so).
    bool Activate() const;
    // Real keyboard input, one character at a time while the dialog holds the foreground;
    // false, and nothing more typed, once another program has taken it.
    bool TypeWithKeyboard(const std::wstring& text) const;
    // Presses a push button as its click notifies the dialog; BM_CLICK may fail
    // on Windows while the dialog is not active.
    void Click(int id) const;
    void Paste(int id, const std::wstring& text) const;
    // Posts a key press to the focused control, through the program's message loop.
    void PostKey(WORD key) const;
    // True when the program answers a message within the timeout.
    bool Responsive(HWND window = nullptr) const;
    HWND Focus() const;
    // Caret position (selection start and end) of an edit field.
    std::pair<DWORD, DWORD> Selection(int id) const;

    // Waits for the process to end; its exit code, or nothing if it did not end in time.
    bool WaitForExit(DWORD& exitCode, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool Running() const;

    // The visible top-level window of this process with `caption`, or nullptr.
    HWND FindWindowByCaption(const std::wstring& caption) const;

  private:
    PROCESS_INFORMATION process_{};
    DWORD thread_ = 0;
    HWND dialog_ = nullptr;
};

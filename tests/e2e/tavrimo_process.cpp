#include "tests/e2e/tavrimo_process.h"

#include <tlhelp32.h>

#include <memory>
#include <stdexcept>
#include <thread>

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::optional<LRESULT> SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   std::chrono::milliseconds timeout) {
    DWORD_PTR result = 0;
    // Only the time bounds the wait: a program that has just spent seconds on one
    // message (a huge paste on a slow PC) counts as hung until it next asks for one.
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL,
                             static_cast<UINT>(timeout.count()), &result))
        return std::nullopt;
    return static_cast<LRESULT>(result);
}

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::string ForegroundHolder() {
    HWND window = GetForegroundWindow();
    if (window == nullptr) return "no window";
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    std::wstring name = L"?";
    // A snapshot names any process, where opening one may be refused.
    if (HANDLE handle = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        handle != INVALID_HANDLE_VALUE) {
        std::unique_ptr<void, decltype(&CloseHandle)> snapshot(handle, &CloseHandle);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(handle, &entry); more;
             more = Process32NextW(handle, &entry)) {
            if (entry.th32ProcessID == process) name = entry.szExeFile;
        }
    }
    return Utf8(name + L" (process " + std::to_wstring(process) + L", window \"" +
                WindowText(window) + L"\")");
}

std::wstring WindowText(HWND window) {
    std::wstring text(SendBounded(window, WM_GETTEXTLENGTH).value_or(0) + 1, L'\0');
    LRESULT copied =
        SendBounded(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))
            .value_or(0);
    text.resize(copied);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

TavrimoProcess::TavrimoProcess(const std::wstring& exe, const std::wstring& caption) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_)) {
        throw std::runtime_error("cannot start the program");
    }
    thread_ = process_.dwThreadId;
    WaitFor([&] { return (dialog_ = FindWindowByCaption(caption)) != nullptr; },
            std::chrono::seconds(30));
    if (dialog_ == nullptr) throw std::runtime_error("the program's window did not appear");
}

TavrimoProcess::~TavrimoProcess() {
    if (Running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

namespace {

struct CaptionSearch {
    DWORD process;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<CaptionSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process || !IsWindowVisible(window)) return TRUE;
    if (WindowText(window) != *search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND TavrimoProcess::FindWindowByCaption(const std::wstring& caption) const {
    CaptionSearch search{process_.dwProcessId, &caption, nullptr};
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void TavrimoProcess::Type(int id, const std::wstring& text) const {
    for (wchar_t c : text) SendBounded(Control(id), WM_CHAR, c, 1);
}

bool TavrimoProcess::TypeWithKeyboard(const std::wstring& text) const {
    for (wchar_t c : text) {
        // Real input goes wherever the foreground is: never into another program.
        if (GetForegroundWindow() != dialog_) return false;
        INPUT inputs[2] = {};
        for (INPUT& input : inputs) {
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
    }
    return true;
}

void TavrimoProcess::SetText(int id, const std::wstring& text) const {
    SendBounded(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool TavrimoProcess::Activate() const {
    if (GetForegroundWindow() != dialog_) SetForegroundWindow(dialog_);
    return WaitFor([&] { return GetForegroundWindow() == dialog_; });
}

void TavrimoProcess::Click(int id) const {
    SendBounded(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                reinterpret_cast<LPARAM>(Control(id)));
}

void TavrimoProcess::Paste(int id, const std::wstring& text) const {
    if (!OpenClipboard(nullptr)) throw std::runtime_error("clipboard busy");
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    auto* target = static_cast<wchar_t*>(GlobalLock(memory));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, target);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);  // the clipboard owns it now
    CloseClipboard();
    SendBounded(Control(id), WM_PASTE, 0, 0, std::chrono::seconds(30));
}

HWND TavrimoProcess::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread_, &info);
    return info.hwndFocus;
}

void TavrimoProcess::PostKey(WORD key) const {
    HWND target = Focus() != nullptr ? Focus() : dialog_;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

bool TavrimoProcess::Responsive(HWND window) const {
    return SendBounded(window != nullptr ? window : dialog_, WM_NULL).has_value();
}

std::pair<DWORD, DWORD> TavrimoProcess::Selection(int id) const {
    LRESULT packed = SendBounded(Control(id), EM_GETSEL).value_or(0);
    return {LOWORD(packed), HIWORD(packed)};
}

bool TavrimoProcess::WaitForExit(DWORD& exitCode, std::chrono::milliseconds timeout) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) !=
        WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(process_.hProcess, &exitCode) != 0;
}

bool TavrimoProcess::Running() const {
    return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

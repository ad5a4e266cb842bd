#pragma once

#include <windows.h>

#include <span>
#include <variant>

// A window message as the routing tables see it.
struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// One row of a class's routing table: a message, and for WM_COMMAND the
// notification code and control id, mapped to a member of that class.
template <class T>
struct MessageEntry {
    using Handler = std::variant<void (T::*)(), void (T::*)(UINT, LPARAM), HCURSOR (T::*)()>;

    UINT message;
    UINT code;
    UINT id;
    Handler handler;

    bool Matches(const Message& m) const {
        if (m.message != message) return false;
        if (message != WM_COMMAND) return true;
        return HIWORD(m.wParam) == code && LOWORD(m.wParam) == id;
    }
};

// Runs the first entry of `table` that matches `m`; false when none does.
template <class T>
bool RouteThrough(T& target, std::span<const MessageEntry<T>> table, const Message& m,
                  LRESULT& result) {
    for (const MessageEntry<T>& entry : table) {
        if (!entry.Matches(m)) continue;
        result = 0;
        std::visit(
            [&](auto handler) {
                using H = decltype(handler);
                if constexpr (std::is_same_v<H, void (T::*)()>) {
                    (target.*handler)();
                } else if constexpr (std::is_same_v<H, void (T::*)(UINT, LPARAM)>) {
                    (target.*handler)(static_cast<UINT>(m.wParam), m.lParam);
                } else {
                    result = reinterpret_cast<LRESULT>((target.*handler)());
                }
            },
            entry.handler);
        return true;
    }
    return false;
}

// Anything that has a routing table. Each class overrides RouteMessage to
// search its own table first and then hand the message to its base class.
class CCmdTarget {
  public:
    virtual ~CCmdTarget() = default;
    virtual bool RouteMessage(const Message& m, LRESULT& result);
};

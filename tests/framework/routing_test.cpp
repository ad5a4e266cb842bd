#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/cmd_target.h"

namespace {

// A base and a derived class with tables of their own, chained the way the
// program's classes chain theirs.
class Base : public CCmdTarget {
  public:
    bool RouteMessage(const Message& m, LRESULT& result) override;
    std::vector<std::string> calls;

  private:
    static const MessageEntry<Base> table[];
    void OnPaint() { calls.push_back("Base::OnPaint"); }
    void OnOk() { calls.push_back("Base::OnOk"); }
};

const MessageEntry<Base> Base::table[] = {
    {WM_PAINT, 0, 0, &Base::OnPaint},
    {WM_COMMAND, BN_CLICKED, IDOK, &Base::OnOk},
};

bool Base::RouteMessage(const Message& m, LRESULT& result) {
    return RouteThrough<Base>(*this, table, m, result) || CCmdTarget::RouteMessage(m, result);
}

class Derived : public Base {
  public:
    bool RouteMessage(const Message& m, LRESULT& result) override;

  private:
    static const MessageEntry<Derived> table[];
    void OnPaint() { calls.push_back("Derived::OnPaint"); }
    void OnClicked() { calls.push_back("Derived::OnClicked"); }
    void OnChanged() { calls.push_back("Derived::OnChanged"); }
    void OnSysCommand(UINT id, LPARAM param) {
        calls.push_back("Derived::OnSysCommand " + std::to_string(id) + " " +
                        std::to_string(param));
    }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(static_cast<LONG_PTR>(0x1234)); }
};

const MessageEntry<Derived> Derived::table[] = {
    {WM_SYSCOMMAND, 0, 0, &Derived::OnSysCommand},
    {WM_PAINT, 0, 0, &Derived::OnPaint},
    {WM_QUERYDRAGICON, 0, 0, &Derived::OnQueryDragIcon},
    {WM_COMMAND, BN_CLICKED, 1003, &Derived::OnClicked},
    {WM_COMMAND, EN_CHANGE, 1000, &Derived::OnChanged},
};

bool Derived::RouteMessage(const Message& m, LRESULT& result) {
    return RouteThrough<Derived>(*this, table, m, result) || Base::RouteMessage(m, result);
}

struct RouteCase {
    Message message;
    bool handled;
    const char* call;  // the handler that must run, or "" for none
};

TEST(Routing, FindsTheEntryByMessageCodeAndIdAndFallsBackToTheBase) {
    const RouteCase cases[] = {
        {{WM_PAINT, 0, 0}, true, "Derived::OnPaint"},  // the derived entry hides the base's
        {{WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), 1}, true, "Derived::OnClicked"},
        {{WM_COMMAND, MAKEWPARAM(1000, EN_CHANGE), 1}, true, "Derived::OnChanged"},
        {{WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0},
         true,
         "Base::OnOk"},                                              // only the base has it
        {{WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), 1}, false, ""},  // right id, wrong code
        {{WM_COMMAND, MAKEWPARAM(1003, EN_CHANGE), 1}, false, ""},   // right code, wrong id
        {{WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED), 1}, false, ""},
        {{WM_SYSCOMMAND, 0x0012, 99}, true, "Derived::OnSysCommand 18 99"},
        {{WM_CLOSE, 0, 0}, false, ""},
    };
    for (const RouteCase& c : cases) {
        Derived target;
        LRESULT result = -1;
        EXPECT_EQ(target.RouteMessage(c.message, result), c.handled) << c.call;
        std::vector<std::string> expected;
        if (*c.call != '\0') expected.push_back(c.call);
        EXPECT_EQ(target.calls, expected) << "message " << c.message.message;
    }
}

TEST(Routing, PassesAHandlersResultBack) {
    Derived target;
    LRESULT result = 0;
    ASSERT_TRUE(target.RouteMessage({WM_QUERYDRAGICON, 0, 0}, result));
    EXPECT_EQ(result, 0x1234);
    ASSERT_TRUE(target.RouteMessage({WM_PAINT, 0, 0}, result));
    EXPECT_EQ(result, 0);
}

}  // namespace

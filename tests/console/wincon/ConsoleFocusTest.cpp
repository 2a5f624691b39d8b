#include "console/wincon/ConsoleFocus.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace numerion {
namespace {

// Window handles the fake hands out; only their identity matters.
HWND window(std::uintptr_t id) {
    return reinterpret_cast<HWND>(id);
}
const HWND kConsole = window(1);
const HWND kTerminal = window(2);
const HWND kOther = window(3);

struct FakeWindows {
    HWND foreground = kConsole;
    HWND consoleOwner = kConsole;
    bool consoleShown = true;

    ConsoleFocus::Windows windows() {
        return {[this] { return foreground; }, [this] { return consoleOwner; },
                [this] { return consoleShown; }};
    }
};

std::vector<InputEvent::Type> typesOf(const std::vector<InputEvent>& events) {
    std::vector<InputEvent::Type> types;
    for (const InputEvent& event : events)
        types.push_back(event.type);
    return types;
}

using Types = std::vector<InputEvent::Type>;
constexpr auto kIn = InputEvent::Type::FocusIn;
constexpr auto kOut = InputEvent::Type::FocusOut;

// Before any focus record the foreground window decides, compared with the console window's
// root owner: the classic console window owns itself, a pseudo console's stand-in is owned by
// its terminal's window and is never in front itself.
TEST(ConsoleFocusTest, UntilAFocusRecordTheForegroundWindowAgainstTheConsolesOwnerDecides) {
    FakeWindows fake;
    ConsoleFocus focus(fake.windows());
    std::vector<InputEvent> out;
    focus.checkForeground(out);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(focus.focused());

    fake.foreground = kOther;
    focus.checkForeground(out);
    focus.checkForeground(out);
    EXPECT_EQ(typesOf(out), (Types{kOut})) << "one change, one event";
    fake.foreground = kConsole;
    focus.checkForeground(out);
    EXPECT_EQ(typesOf(out), (Types{kOut, kIn}));

    // Windows Terminal: the stand-in is shown, owned by the terminal, which is in front.
    out.clear();
    fake.consoleOwner = kTerminal;
    fake.foreground = kTerminal;
    focus.checkForeground(out);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(focus.focused());
    fake.foreground = kOther;
    focus.checkForeground(out);
    EXPECT_EQ(typesOf(out), (Types{kOut}));

    // A console window that is not shown (a hidden stand-in, wine's console in a terminal)
    // tells nothing: the state stays as it was, whatever is in front.
    out.clear();
    fake.consoleShown = false;
    fake.foreground = kTerminal;
    focus.checkForeground(out);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(focus.focused());
}

TEST(ConsoleFocusTest, OnceAFocusRecordHasComeOnlyFocusRecordsDecide) {
    FakeWindows fake;
    fake.consoleOwner = kTerminal;
    fake.foreground = kOther;
    ConsoleFocus focus(fake.windows());
    std::vector<InputEvent> out;
    focus.checkForeground(out);
    ASSERT_FALSE(focus.focused());

    focus.onRecord(true, out);
    focus.checkForeground(out);
    EXPECT_TRUE(focus.focused()) << "the foreground window no longer counts";
    focus.onRecord(true, out);
    focus.onRecord(false, out);
    fake.foreground = kTerminal;
    focus.checkForeground(out);
    EXPECT_FALSE(focus.focused());
    EXPECT_EQ(typesOf(out), (Types{kOut, kIn, kOut}));
}

}  // namespace
}  // namespace numerion

#include "console/terminal/TerminalScreen.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "console/posix/WriteAll.h"
#include "console/terminal/Renderer.h"
#include "console/terminal/TerminalInfo.h"

namespace numerion {

namespace {

// Asks the terminal window for 80 x 35 cells; terminals that do not resize ignore it.
constexpr const char* kAskForSize = "\x1b[8;35;80t";
constexpr const char* kSyncEnd = "\x1b[?2026l";

}  // namespace

struct TerminalScreen::Impl {
    Impl(int fd, const TextConsole& model, const TerminalInfo& strings)
        : fd(fd), model(model), renderer(strings.traits) {
        enterBytes = strings.enterAltScreen + strings.traits.hideCursor + kAskForSize;
        // Ends a frame cut short by a signal, then puts back colours, cursor and main screen.
        restore = std::string(kSyncEnd) + strings.resetColours + strings.traits.showCursor +
                  strings.leaveAltScreen;
    }

    // What does not arrive went to a terminal that is gone: nothing left to show it on.
    void send(std::string_view bytes) { bytesSent += writeAll(fd, bytes.data(), bytes.size()); }

    void readSize() {
        winsize size{};
        if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
            renderer.setSize(size.ws_row, size.ws_col);
        } else {
            // No size to be had (no tty): show the picture as it is.
            renderer.setSize(Picture::kRows, Picture::kColumns);
        }
    }

    int fd;
    const TextConsole& model;
    Renderer renderer;
    std::string enterBytes;
    std::string restore;
    std::string frame;
    bool entered = false;
    bool dirty = true;
    std::uint64_t shownVersion = 0;
    std::size_t bytesSent = 0;
};

TerminalScreen::TerminalScreen(int fd, const TextConsole& model)
    : TerminalScreen(fd, model, describeTerminal(fd)) {}

TerminalScreen::TerminalScreen(int fd, const TextConsole& model, const TerminalInfo& info)
    : impl_(std::make_unique<Impl>(fd, model, info)) {
    impl_->readSize();
}

TerminalScreen::~TerminalScreen() {
    leave();
}

void TerminalScreen::enter() {
    if (impl_->entered) return;
    impl_->send(impl_->enterBytes);
    impl_->entered = true;
    impl_->readSize();
    impl_->renderer.invalidate();
    impl_->dirty = true;
}

void TerminalScreen::leave() {
    if (!impl_->entered) return;
    impl_->send(impl_->restore);
    impl_->entered = false;
}

const char* TerminalScreen::restoreBytes() const {
    return impl_->restore.c_str();
}

void TerminalScreen::present() {
    Impl& s = *impl_;
    if (!s.entered) return;
    const std::uint64_t version = s.model.version();
    if (!s.dirty && version == s.shownVersion) return;
    s.frame.clear();
    s.renderer.render(pictureOf(s.model), s.frame);
    s.send(s.frame);
    s.shownVersion = version;
    s.dirty = false;
}

void TerminalScreen::rest() {
    Impl& s = *impl_;
    if (!s.entered) return;
    s.frame.clear();
    s.renderer.rest(s.frame);
    if (!s.frame.empty()) s.send(s.frame);
}

void TerminalScreen::resized() {
    rest();
    impl_->readSize();
    impl_->dirty = true;
}

bool TerminalScreen::largeEnough() const {
    return impl_->renderer.largeEnough();
}

void TerminalScreen::bell() {
    impl_->send("\a");
}

std::size_t TerminalScreen::bytesSent() const {
    return impl_->bytesSent;
}

}  // namespace numerion

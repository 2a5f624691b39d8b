// The browser as the program's platform: the page's canvas and keys through WebBackend, the
// shared rules of PlatformCore on top. There are no signals here; a fatal report goes to
// standard error, which the page shows below the grid.

#include <memory>

#include "console/HostPlatform.h"
#include "console/PlatformCore.h"
#include "console/web/WebBackend.h"

namespace numerion {

namespace {

class WebPlatform final : public HostPlatform {
  public:
    explicit WebPlatform(TextConsole& model) : backend_(model), core_(backend_) {}
    Platform& platform() override { return core_; }

  private:
    WebBackend backend_;
    PlatformCore core_;
};

}  // namespace

std::unique_ptr<HostPlatform> HostPlatform::open(TextConsole& screen) {
    return std::make_unique<WebPlatform>(screen);
}

}  // namespace numerion

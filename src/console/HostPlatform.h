#pragma once
// The platform the program was built for (one folder of console/ supplies it): the screen, the
// keyboard, the clock, signals or their like, taken over for the whole run.

#include <memory>

#include "console/Platform.h"
#include "console/TextConsole.h"

namespace numerion {

class HostPlatform {
  public:
    // Takes over the screen and keyboard and installs the fatal handlers. When standard output
    // is no screen, printed bytes are written to it unchanged and nothing else is shown.
    static std::unique_ptr<HostPlatform> open(TextConsole& screen);
    // Gives everything back as it was found.
    virtual ~HostPlatform() = default;
    virtual Platform& platform() = 0;
};

}  // namespace numerion

#pragma once

// The system's platform on Qt's event loop, for the window: the engine's timers are Qt's own
// (named by their numbers, so that they can be looked at), and the system's news of adapters
// plugged in and pulled out is heard on the same loop.

#include "session/system_platform.h"

namespace vn340 {

class DesktopPlatform final : public SystemPlatform {
  public:
    explicit DesktopPlatform(const ProgramPaths& paths);

    std::unique_ptr<Timers> makeTimers(Timers::Expiry expiry) override;
};

}  // namespace vn340

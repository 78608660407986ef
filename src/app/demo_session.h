#pragma once

// The demo ("--demo"): the program with a simulated gyro behind the simulated USB adapter. The
// simulated D2XX library is found relative to the program itself, in its private library
// folder when installed or in the build tree, never by the system's library search, so the
// vendor's library is never mistaken for it and it never stands in for the vendor's. The
// pilot's preferences and history are neither read nor written: the demo keeps preferences
// of its own, with "USB" as the port, in a temporary folder that goes with the session, and no
// history at all.

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/config_dialog.h"

namespace vn340 {

inline constexpr char kDemoTitleSuffix[] = " (demo)";

class DemoSession {
  public:
    // Null, with `problem` saying why, when the library is missing or the preferences cannot
    // be prepared.
    static std::unique_ptr<DemoSession> start(const std::string& programFolder, QString* problem);

    // The window's surroundings for the demo, made from the `system`'s: the simulated library,
    // the temporary folder both as the program's folder and as the configuration home, and
    // none of the machine's own ports or adapters, listed or plugged in.
    ProgramPaths paths(ProgramPaths system) const;

  private:
    DemoSession() = default;

    QTemporaryDir scratch_;
    std::string folder_;
    std::string library_;
};

}  // namespace vn340

#pragma once

#include <string>
#include <utility>

namespace vn340 {

// What a call into the operating system (or a driver) did. `error` is the errno value of the
// failure, 0 on success, for code that decides what to do next; `message` says in plain words
// what could not be done and why, ready to be shown to the pilot. Files, serial ports, port
// discovery and the USB adapter all answer with it.
struct SysResult {
    int error = 0;
    std::string message;

    static SysResult success() { return {}; }
    static SysResult failure(int error, std::string message) { return {error, std::move(message)}; }

    bool ok() const { return error == 0; }
    explicit operator bool() const { return ok(); }
};

}  // namespace vn340

#pragma once

// The test's own handle on the simulated D2XX library, loaded by the same name or path as the
// code under test loads it: the system's loader hands both the one copy, so the test plays the
// device side through the library's vn340sim_* hooks. The loading itself is the system's
// (d2xx_sim_loader_dl.cpp, d2xx_sim_loader_windows.cpp).

#include <cstring>
#include <string>
#include <string_view>

namespace vn340::testing {

namespace sim_loader {
void* open(const std::string& library);
void* find(void* library, const char* name);
void close(void* library);
}  // namespace sim_loader

class SimD2xxControl {
  public:
    explicit SimD2xxControl(const std::string& library) : handle_(sim_loader::open(library)) {
        if (handle_ == nullptr) {
            return;
        }
        bind(inject_, "vn340sim_inject");
        bind(isOpen_, "vn340sim_is_open");
        bind(written_, "vn340sim_written");
    }
    ~SimD2xxControl() {
        if (handle_ != nullptr) {
            sim_loader::close(handle_);
        }
    }
    SimD2xxControl(const SimD2xxControl&) = delete;
    SimD2xxControl& operator=(const SimD2xxControl&) = delete;

    bool ok() const { return inject_ && isOpen_ && written_; }

    // Puts bytes on the line from the device's side, one every microsPerByte.
    bool inject(std::string_view bytes, unsigned microsPerByte = 0) {
        return inject_(bytes.data(), static_cast<unsigned>(bytes.size()), microsPerByte) == 0;
    }
    bool deviceOpen() { return isOpen_() == 1; }
    // What the program wrote since the open.
    std::string written() {
        std::string text(written_(nullptr, 0), '\0');
        written_(text.data(), static_cast<unsigned>(text.size()));
        return text;
    }

  private:
    template <typename Function>
    void bind(Function& function, const char* name) {
        void* found = sim_loader::find(handle_, name);
        static_assert(sizeof function == sizeof found);
        std::memcpy(&function, &found, sizeof found);
    }

    void* handle_ = nullptr;
    int (*inject_)(const void*, unsigned, unsigned) = nullptr;
    int (*isOpen_)() = nullptr;
    unsigned (*written_)(char*, unsigned) = nullptr;
};

}  // namespace vn340::testing

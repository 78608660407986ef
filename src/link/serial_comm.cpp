#include "link/serial_comm.h"

#include <algorithm>
#include <utility>

namespace vn340 {
namespace {

class SerialCommTtyClass final : public TtyClass {
  public:
    explicit SerialCommTtyClass(std::unique_ptr<SerialCommSource> source)
        : source_(std::move(source)) {}

    SysResult names(std::vector<std::string>& names) override {
        std::vector<SerialCommEntry> entries;
        const SysResult listed = source_->entries(entries);
        names.clear();
        for (SerialCommEntry& entry : entries) {
            // Two drivers may claim one name for a moment while a device is replaced.
            if (!entry.port.empty() &&
                std::find(names.begin(), names.end(), entry.port) == names.end()) {
                names.push_back(std::move(entry.port));
            }
        }
        return listed;
    }
    // Listed only while its driver has it.
    bool hasDriver(const std::string&) override { return true; }
    // No legacy name to tell a real UART from an empty slot: the list has only real ports.
    std::optional<std::string> type(const std::string&) override { return std::nullopt; }
    bool hasResources(const std::string&) override { return true; }
    // The list does not say which bus the device is on.
    std::string bus(const std::string&) override { return {}; }

  private:
    std::unique_ptr<SerialCommSource> source_;
};

}  // namespace

std::unique_ptr<TtyClass> serialCommTtyClass(std::unique_ptr<SerialCommSource> source) {
    return std::make_unique<SerialCommTtyClass>(std::move(source));
}

}  // namespace vn340

// The tty class as the kernel shows it under /sys: one folder per tty, whose "device" link
// leads to the device with its "driver" and "subsystem" links.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "link/tty_class.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;

bool present(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);  // follows links: a dangling link is nothing
}

class SysfsTtyClass final : public TtyClass {
  public:
    explicit SysfsTtyClass(std::string folder) : folder_(std::move(folder)) {}

    SysResult names(std::vector<std::string>& names) override {
        std::error_code error;
        fs::directory_iterator it(folder_, error);
        if (error == std::errc::no_such_file_or_directory) {
            return {};
        }
        for (; !error && it != fs::directory_iterator(); it.increment(error)) {
            names.push_back(it->path().filename().string());
        }
        if (error) {
            return SysResult::failure(error.value(), "list " + folder_ + ": " + error.message());
        }
        return {};
    }

    bool hasDriver(const std::string& name) override {
        return present(tty(name) / "device" / "driver");
    }

    std::optional<std::string> type(const std::string& name) override {
        std::ifstream file(tty(name) / "type");
        if (!file) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    bool hasResources(const std::string& name) override {
        return present(tty(name) / "device" / "resources");
    }

    std::string bus(const std::string& name) override {
        std::error_code error;
        const fs::path subsystem = fs::read_symlink(tty(name) / "device" / "subsystem", error);
        return error ? std::string() : subsystem.filename().string();
    }

  private:
    fs::path tty(const std::string& name) const { return fs::path(folder_) / name; }

    std::string folder_;
};

}  // namespace

std::unique_ptr<TtyClass> sysfsTtyClass(std::string folder) {
    return std::make_unique<SysfsTtyClass>(std::move(folder));
}

std::unique_ptr<TtyClass> systemTtyClass(std::string folder) {
    return sysfsTtyClass(std::move(folder));
}

}  // namespace vn340

// The file seam on POSIX.

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "config/file_system.h"
#include "config/private_profile.h"

namespace vn340 {
namespace {

std::string joined(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path.append(name);
}

class PosixFileSystem final : public FileSystem {
  public:
    SysResult read(const std::string& path, std::string& bytes) override {
        bytes.clear();
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (!std::filesystem::exists(status)) {
            return {};
        }
        if (std::filesystem::is_directory(status)) {
            return {EISDIR, "\"" + path + "\" is a folder, not a file."};
        }
        // Opening a named pipe would wait for a writer and a device may never end.
        if (!std::filesystem::is_regular_file(status)) {
            return {EINVAL, "\"" + path + "\" is not a regular file."};
        }
        bytes = profile::readFileBytes(path);
        return {};
    }

    SysResult replace(const std::string& path, std::string_view bytes) override {
        return profile::replaceFile(path, bytes);
    }

    bool folderIsWritable(const std::string& folder) override {
        // access(W_OK) says yes to root on any folder, so only a real file tells the truth.
        std::string probe = joined(folder, ".tarvelrc-probe-XXXXXX");
        const int fd = ::mkstemp(probe.data());
        if (fd < 0) {
            return false;
        }
        ::close(fd);
        ::unlink(probe.c_str());
        return true;
    }

    SysResult createFolders(const std::string& folder) override {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            return {ec.value(), "The folder \"" + folder + "\" could not be made: " +
                                    std::strerror(ec.value()) + "."};
        }
        return {};
    }

    std::string ownerGroup(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            return {};
        }
        group entry{};
        group* found = nullptr;
        std::vector<char> buffer(4096);
        if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
            found == nullptr) {
            return {};
        }
        return found->gr_name;
    }
};

}  // namespace

FileSystem& systemFileSystem() {
    static PosixFileSystem files;
    return files;
}

}  // namespace vn340

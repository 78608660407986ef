// vn340-sim on a real pseudo-terminal: the program's first line names the port, frames sent
// there are answered, and the memory it prints at the end shows the writes.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "protocol/frames.h"

extern char** environ;

namespace vn340 {
namespace {

// The simulator program with its standard output on a pipe.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> options) {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        options.insert(options.begin(), VN340_SIM_PATH);
        std::vector<char*> argv;
        for (auto& option : options) {
            argv.push_back(option.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, VN340_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fdopen(fds[0], "r");
    }

    ~SimProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ != nullptr) {
            fclose(output_);
        }
    }

    std::string firstLine() {
        char line[256] = {};
        if (output_ == nullptr || fgets(line, sizeof line, output_) == nullptr) {
            return {};
        }
        std::string text(line);
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text;
    }

    // Waits for the program to end (after `signal`, if any), which it must do cleanly, and
    // returns the rest of its output.
    std::string finish(int signal) {
        if (signal != 0) {
            kill(pid_, signal);
        }
        std::string rest;
        char buffer[512];
        std::size_t count = 0;
        while ((count = fread(buffer, 1, sizeof buffer, output_)) > 0) {
            rest.append(buffer, count);
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        return rest;
    }

  private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
};

int openPort(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios mode{};
    if (fd >= 0 && tcgetattr(fd, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(fd, TCSANOW, &mode);
    }
    return fd;
}

// Reads until `complete` holds, waiting at most five seconds for each further character.
std::string readReply(int fd, const std::function<bool(std::string_view)>& complete) {
    std::string text;
    while (!complete(text)) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) {
            break;
        }
        char buffer[64];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return text;
}

bool sendFrame(int fd, std::string_view frame) {
    return write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
}

TEST(SimPty, AnswersFramesAndPrintsItsMemory) {
    SimProcess sim({"--product", "0x0341", "--set", "0x0106=0x0077"});
    const std::string path = sim.firstLine();
    ASSERT_FALSE(path.empty());
    const int fd = openPort(path);
    ASSERT_GE(fd, 0) << path;

    ASSERT_TRUE(sendFrame(fd, kReadProductIdFrame));
    const std::string reply = readReply(fd, identificationReplyComplete);
    const WordReply product = decodeWordReply(dropLeading(reply, kWordReplyLeading));
    EXPECT_TRUE(product.passed) << reply;
    EXPECT_EQ(product.value, 0x0341);

    ASSERT_TRUE(sendFrame(fd, writeFrame(0x0104, 77)));
    EXPECT_TRUE(writeAckComplete(readReply(fd, writeAckComplete)));
    close(fd);

    const std::string memory = sim.finish(SIGTERM);
    EXPECT_NE(memory.find("0x0104=0x004D\n"), std::string::npos) << memory;
    EXPECT_NE(memory.find("0x0106=0x0077\n"), std::string::npos) << memory;
    EXPECT_NE(memory.find("0x0008=0x0341\n"), std::string::npos) << memory;
}

TEST(SimPty, ServesThePortAgainAfterItWasClosed) {
    SimProcess sim({});
    const std::string path = sim.firstLine();
    for (int round = 0; round < 3; ++round) {
        const int fd = openPort(path);
        ASSERT_GE(fd, 0) << path;
        ASSERT_TRUE(sendFrame(fd, writeFrame(0x0108, static_cast<std::uint16_t>(round + 1))));
        EXPECT_TRUE(writeAckComplete(readReply(fd, writeAckComplete))) << "round " << round;
        close(fd);
    }
    const std::string memory = sim.finish(SIGINT);
    EXPECT_NE(memory.find("0x0108=0x0003\n"), std::string::npos) << memory;
}

TEST(SimPty, PacedRepliesTakeTheirLineTimeAndHangupEndsTheProgram) {
    SimProcess sim({"--baud-pace", "--exit-on-hangup"});
    const std::string path = sim.firstLine();
    const int fd = openPort(path);
    ASSERT_GE(fd, 0) << path;

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(sendFrame(fd, parameterReadFrame(0)));
    const std::string reply = readReply(fd, parameterReplyComplete);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const WordReply word = decodeWordReply(dropLeading(reply, kWordReplyLeading));
    EXPECT_TRUE(word.passed) << reply;
    EXPECT_EQ(word.value, 1940);
    // 15 characters of 10 bits at 9600 baud take 15.6 ms at the least.
    EXPECT_GE(elapsed, std::chrono::microseconds(15'000));
    close(fd);

    const std::string memory = sim.finish(0);  // ends by itself
    EXPECT_NE(memory.find("0x0100=0x0794\n"), std::string::npos) << memory;
}

}  // namespace
}  // namespace vn340

// vn340-cli's commands against the simulated gyro: behind the simulated D2XX library as "USB",
// and over a pseudo-terminal to vn340-sim as a serial port.

#include "cli/cli_session.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <signal.h>

#include "config/settings_codec.h"
#include "support/serial_ports_on_disk.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;
using testing::SerialPortsOnDisk;
using testing::SimulatorProcess;

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        paths_.programFolder = root_.string();
        paths_.configHome = (root_ / "config").string();
        paths_.historyFolder = (root_ / "history").string();
        ports_.useIn(paths_);
        paths_.d2xxLibrary = VN340_SIM_D2XX;
    }
    void TearDown() override { qunsetenv("VN340_SIM_OPTIONS"); }

    struct Run {
        CliStatus status;
        std::string out;
        std::string err;
    };
    // One run of the program with these arguments, the simulated gyro set up by `simOptions`.
    Run run(const std::vector<std::string>& arguments, const char* simOptions = "--no-pace") {
        qputenv("VN340_SIM_OPTIONS", simOptions);
        const CliParse parsed = parseCliArguments(arguments, "1.11");
        EXPECT_TRUE(parsed.options) << parsed.error;
        if (!parsed.options)
            return {parsed.status, parsed.output, parsed.error};
        SystemPlatform platform(paths_);
        std::ostringstream out;
        std::ostringstream err;
        CliSession session(*parsed.options, platform, paths_, out, err, false);
        const CliStatus status = session.run();
        return {status, out.str(), err.str()};
    }
    // The command on the simulated adapter behind "USB".
    static std::vector<std::string> onUsb(std::vector<std::string> command) {
        command.insert(command.begin(), {"--port", "USB"});
        return command;
    }
    std::string file(const std::string& name, const std::string& bytes) {
        const fs::path path = root_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    // A settings file as "Save to file" writes it, of the factory settings but `edit`.
    template <typename Edit>
    std::string settingsFile(const std::string& name, Edit edit) {
        GyroConfig config;
        loadDefaults(config);
        edit(config);
        return file(name, encodeSettingsFile("", config, {}));
    }
    QTemporaryDir dir_;
    const fs::path root_ = dir_.path().toStdString();
    const SerialPortsOnDisk ports_{root_};
    ProgramPaths paths_;
};

TEST_F(CliTest, AReadIsPrintedAsTheWindowShowsItOrSavedAsSaveToFileSavesIt) {
    const char* gyro = "--no-pace --set 0x0100=1658";  // high endpoint 33
    const Run printed = run({"--port", "USB", "read"}, gyro);
    EXPECT_EQ(printed.status, CliStatus::Done) << printed.err;
    EXPECT_NE(printed.out.find("\nHigh endpoint: 33\n"), std::string::npos) << printed.out;
    EXPECT_NE(printed.out.find("\nServo: Generic\n"), std::string::npos);

    const Run json = run({"--port", "USB", "read", "--json"}, gyro);
    EXPECT_NE(json.out.find("\"High endpoint\": 33"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"Speed\": \"0.05\""), std::string::npos) << json.out;

    const fs::path saved = root_ / "heli.tsf";
    const Run save = run({"--port", "USB", "read", "-o", saved.string()}, gyro);
    EXPECT_EQ(save.status, CliStatus::Done) << save.err;
    GyroConfig factory;
    loadDefaults(factory);
    const DecodedSettings back = decodeSettingsFile(contents(saved), factory);
    ASSERT_FALSE(back.refusal);
    EXPECT_EQ(back.config.highEndpoint, 33);
    EXPECT_TRUE(fs::exists(root_ / "history")) << "a read is kept in the history";
}

TEST_F(CliTest, DiffAndStoreSayWhatDiffersAndEndWithItsStatus) {
    const std::string same = settingsFile("same.tsf", [](GyroConfig&) {});
    const std::string higher =
        settingsFile("higher.tsf", [](GyroConfig& config) { config.highEndpoint = 120; });
    struct Row {
        const char* what;
        std::vector<std::string> command;  // after "--port USB"
        const char* gyro;
        CliStatus status;
        std::string out;
    };
    const std::string differs = "High endpoint: file 120, gyro 100\n";
    const std::string changes = "High endpoint: gyro 100, file 120\n";
    const char* const worn = "--no-pace --stuck 0x0100";
    const Row rows[] = {
        {"diff, the same", {"diff", same}, "--no-pace", CliStatus::Done, ""},
        {"diff, different", {"diff", higher}, "--no-pace", CliStatus::Differences, differs},
        {"store", {"store", higher, "--yes"}, "--no-pace", CliStatus::Done, changes},
        {"store to a worn cell", {"store", higher, "--yes"}, worn, CliStatus::Differences, changes},
        {"store without agreeing", {"store", higher}, "--no-pace", CliStatus::Usage, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Run result = run(onUsb(row.command), row.gyro);
        EXPECT_EQ(result.status, row.status) << result.err;
        EXPECT_EQ(result.out, row.out);
    }
}

TEST_F(CliTest, EachFailureEndsWithItsOwnStatusAndLeavesNoFileBehind) {
    const std::string foreign = file("foreign.tsf", "[Gyro]\r\nProduct=vn350\r\n");
    const std::string out = (root_ / "never.tsf").string();
    using S = CliStatus;
    struct Row {
        const char* what;
        std::vector<std::string> arguments;
        S status;
        std::string err;  // part of what standard error says
        const char* gyro = "--no-pace";
    };
    const std::string none = (root_ / "none.tsf").string();
    const char* const silent = "--no-pace --silent-from 1";
    const Row rows[] = {
        {"no port chosen", {"read"}, S::AdapterUnavailable, "--port"},
        {"no such port", {"--port", "ttyUSB7", "read"}, S::AdapterUnavailable, "ttyUSB7"},
        {"a silent gyro", onUsb({"read", "-o", out}), S::GyroSilent, "Unable to communicate",
         silent},
        {"another product's file", onUsb({"store", foreign, "--yes"}), S::BadFile,
         "not compatible"},
        {"a file that is not there", onUsb({"diff", none}), S::BadFile, "none.tsf"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Run result = run(row.arguments, row.gyro);
        EXPECT_EQ(result.status, row.status);
        EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1)
            << "one sentence, one line";
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliTest, MonitorWritesEveryRoundAndEndsAfterTheRoundsAskedFor) {
    const Run csv = run({"--port", "USB", "monitor", "--rounds", "3", "--csv"},
                        "--no-pace --live 512,1600,2020");
    EXPECT_EQ(csv.status, CliStatus::Done) << csv.err;
    EXPECT_EQ(csv.out, "gyro,rudder,gain\n512,1600,2020\n512,1600,2020\n512,1600,2020\n");

    const Run lines =
        run({"--port", "USB", "monitor", "--rounds", "1"}, "--no-pace --live 512,1600,2020");
    EXPECT_EQ(lines.out, "Gyro = 0512, Rudder = 1600, Gain = 2020 (100%)\n");
}

// The serial line end to end: a store that was not agreed to sends nothing; one that was
// leaves the gyro's memory holding the file's values.
TEST_F(CliTest, OverASerialPortAStoreReachesTheGyrosMemoryOnlyWhenAgreedTo) {
    SimulatorProcess sim({QStringLiteral("--log")});
    ASSERT_FALSE(sim.path().empty());
    ports_.add("ttyVN0", sim.path());
    const std::string higher =
        settingsFile("higher.tsf", [](GyroConfig& config) { config.highEndpoint = 120; });

    EXPECT_EQ(run({"--port", "ttyVN0", "store", higher}).status, CliStatus::Usage);
    const Run stored = run({"--port", "ttyVN0", "store", higher, "--yes"});
    EXPECT_EQ(stored.status, CliStatus::Done) << stored.err;

    EXPECT_EQ(sim.stopAndReadMemory().at(0x0100), 0x07E8);
    const QString log = sim.log();
    EXPECT_EQ(log.count(QStringLiteral("000801F7aa")), 2) << "one read and one store identify";
}

// The program itself: a wrong command line ends at once with status 2, and Ctrl+C ends the live
// signals after the round in progress, with every line whole.
TEST_F(CliTest, TheProgramEndsCleanlyOnAWrongCommandLineAndOnCtrlC) {
    QProcess wrong;
    wrong.start(QStringLiteral(VN340_CLI_PROGRAM), {QStringLiteral("fly")});
    ASSERT_TRUE(wrong.waitForFinished(10000));
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_TRUE(wrong.readAllStandardError().contains("unknown command fly"));

    QProcess monitor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VN340_D2XX_LIBRARY"), QStringLiteral(VN340_SIM_D2XX));
    environment.insert(QStringLiteral("VN340_SIM_OPTIONS"), QStringLiteral("--live 600,1500,2000"));
    monitor.setProcessEnvironment(environment);
    monitor.start(QStringLiteral(VN340_CLI_PROGRAM),
                  {QStringLiteral("--port"), QStringLiteral("USB"), QStringLiteral("monitor")});
    ASSERT_TRUE(monitor.waitForReadyRead(10000)) << "the first round";
    ::kill(static_cast<pid_t>(monitor.processId()), SIGINT);
    ASSERT_TRUE(monitor.waitForFinished(10000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), 0);
    const QByteArray out = monitor.readAllStandardOutput();
    EXPECT_TRUE(out.endsWith("Gain = 2000 (96%)\n")) << out.toStdString();
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

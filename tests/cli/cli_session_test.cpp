// vn340-cli's commands against the simulated gyro: behind the simulated D2XX library as "USB",
// and over a pseudo-terminal to vn340-sim as a serial port.

#include "cli/cli_session.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "cli/forwarding_platform.h"
#include "config/history_store.h"
#include "config/settings_codec.h"
#include "session/system_platform.h"
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

// The words of `text`, split at blanks.
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        all.push_back(word);
    }
    return all;
}

// Standard output, with a call each time the program flushes it.
struct WatchedOutput final : std::stringbuf {
    std::function<void()> onFlush;
    int sync() override {
        if (onFlush) {
            onFlush();
        }
        return 0;
    }
};

// The system's platform with a steady clock that moves 250 ms at each look.
struct SteppingClock final : ForwardingPlatform {
    using ForwardingPlatform::ForwardingPlatform;
    std::chrono::milliseconds steadyNow() override { return now += std::chrono::milliseconds(250); }
    std::chrono::milliseconds now{5000};
};

// What happens to a run besides the gyro's answers.
enum class Event {
    None,
    StopAtOnce,    // the system asks the program to end as the command starts
    StopOnOutput,  // ... or once something is printed
    OutputClosed,  // standard output cannot be written (as when its reader has gone)
};

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
    Run run(const std::vector<std::string>& arguments, const char* simOptions = "--no-pace",
            Event event = Event::None) {
        qputenv("VN340_SIM_OPTIONS", simOptions);
        const CliParse parsed = parseCliArguments(arguments, "1.11");
        EXPECT_TRUE(parsed.options) << parsed.error;
        if (!parsed.options) {
            return {parsed.status, parsed.output, parsed.error};
        }
        auto ownedLoop = std::make_unique<SystemEventLoop>();
        SystemEventLoop& loop = *ownedLoop;
        SystemPlatform system(paths_, std::move(ownedLoop));
        SteppingClock platform(system);
        WatchedOutput watched;
        std::ostream out(&watched);
        if (event == Event::OutputClosed) {
            out.setstate(std::ios::badbit);
        }
        std::ostringstream err;
        CliSession session(*parsed.options, platform, loop, paths_, out, err, false);
        // Ctrl+C, a closed terminal and a shutdown, delivered by the event loop as the system's
        // requests are; dropped with the session.
        const auto stop = [&session, &loop] {
            loop.post([&session] {
                for (const StopRequest request :
                     {StopRequest::Interrupt, StopRequest::HangUp, StopRequest::Terminate}) {
                    session.stop(request);
                }
            });
        };
        if (event == Event::StopAtOnce) {
            stop();
        }
        if (event == Event::StopOnOutput) {
            watched.onFlush = stop;
        }
        const CliStatus status = session.run();
        return {status, watched.str(), err.str()};
    }
    // vn340-cli itself, in a program folder of the test's own: the preferences it keeps beside
    // itself stay there, and so does everything else it keeps.
    QString program(QProcess& process, const char* simOptions) const {
        const fs::path cli = root_ / "bin" / "vn340-cli";
        fs::create_directories(cli.parent_path());
        fs::copy_file(VN340_CLI_PROGRAM, cli, fs::copy_options::skip_existing);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VN340_D2XX_LIBRARY"), QStringLiteral(VN340_SIM_D2XX));
        environment.insert(QStringLiteral("VN340_SIM_OPTIONS"), QString::fromUtf8(simOptions));
        const QString home = QString::fromStdString(root_.string());
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        process.setProcessEnvironment(environment);
        return QString::fromStdString(cli.string());
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

// What a run ends with is what happened to the gyro, and the history names it the same way.
// A store reads the gyro first: 23 answers (six of identification, seventeen words); then come
// the store's own, its first word's answer 31st and the first read-back answer 46th.
TEST_F(CliTest, EachRunEndsWithTheStatusThatTellsWhatHappened) {
    const std::string limit =
        settingsFile("limit.tsf", [](GyroConfig& config) { config.highEndpoint = 145; });
    const std::string softer =
        settingsFile("softer.tsf", [](GyroConfig& config) { config.accelProfile = 3; });
    // Past a limit, a key missing and no number: each would be replaced by its default.
    std::string bytes = contents(limit);
    const std::pair<std::string, std::string> changes[] = {
        {"High endpoint=145", "High endpoint=146"},
        {"Midpoint trim=0", "Midpoint trim=abc"},
        {"Low endpoint=100\r\n", ""}};
    for (const auto& [from, to] : changes) {
        bytes.replace(bytes.find(from), from.size(), to);
    }
    const std::string wrong = file("wrong.tsf", bytes);
    const std::string bad = ": missing, not a whole number, or outside its limits\n";
    const std::string store = "store " + limit + " --yes";
    const std::string there = file("there.tsf", "[Gyro]\r\nkept=yes\r\n");
    SimulatorProcess sim({});  // on a pseudo-terminal no list shows
    ASSERT_FALSE(sim.path().empty());
    const std::string unwritten = "could not be written";
    using S = CliStatus;
    using E = Event;
    const char* const np = "--no-pace";
    struct Row {
        const char* what;
        std::string command;  // after "--port USB", its words split at blanks
        const char* gyro;
        S status;
        std::string err;   // said once on standard error
        std::string kept;  // the kinds of the snapshots kept, in alphabetical order
        Event event = E::None;
    };
    const Row rows[] = {
        {"stored at a limit, read back as written", store, np, S::Done, "", "Read Stored"},
        {"a damaged read-back answer", store, "--no-pace --corrupt 46", S::Differences,
         "\nHigh endpoint: stored 145, the gyro's answer was damaged\n", "Read Unverified"},
        {"a profile's second copy kept", "store " + softer + " --yes", "--no-pace --stuck 0x0112",
         S::Differences, "\nAcceleration profile: stored 3", "Read Unverified"},
        {"cut short after its first word", store, "--no-pace --silent-from 35", S::GyroSilent,
         "_unfinished.tsf\n", "Read Unfinished"},
        {"cut short before its first word", store, "--no-pace --silent-from 25", S::GyroSilent,
         "nothing had been written yet", "Read"},
        {"values a default would replace", "store " + wrong + " --yes", np, S::BadFile,
         "cannot be stored as it is, so nothing was sent to the gyro: the default would take the "
         "place of each of these values.\nHigh endpoint" +
             bad + "Low endpoint" + bad + "Midpoint trim" + bad,
         ""},
        {"read --json, a damaged answer", "read --json", "--no-pace --corrupt 3", S::Differences,
         "The firmware version could not be read", "Read"},
        {"read --json, a silent gyro", "read --json", "--no-pace --silent-from 1", S::GyroSilent,
         "Unable to communicate with the vn340", ""},
        {"a read asked to end", "read", np, S::Interrupted, "Interrupted", "", E::StopAtOnce},
        {"a diff asked to end", "diff " + limit, np, S::Interrupted, "Interrupted", "",
         E::StopAtOnce},
        {"a store asked to end as it reads", store, np, S::Interrupted, "Interrupted", "",
         E::StopAtOnce},
        {"a store asked to end as it stores", store, np, S::Done,
         "Finishing the store first (about 2 s)\u2026\n", "Read Stored", E::StopOnOutput},
        {"ports, nowhere to print", "ports", np, S::OutputFailed, unwritten, "", E::OutputClosed},
        {"read, nowhere to print", "read", np, S::OutputFailed, unwritten, "Read", E::OutputClosed},
        {"diff, nowhere to print", "diff " + limit, np, S::OutputFailed, unwritten, "Read",
         E::OutputClosed},
        {"store, its changes unseen", store, np, S::OutputFailed, unwritten, "Read",
         E::OutputClosed},
        {"monitor, nowhere to print", "monitor --rounds 5", "--no-pace --live 1,2,3",
         S::OutputFailed, unwritten, "", E::OutputClosed},
        {"read -o over a file", "read -o " + there, np, S::BadFile, "there already: add --force",
         ""},
        {"read -o over it with --force", "read -o " + there + " --force", np, S::Done, "", "Read"},
        {"--port by a device's path", "--port " + sim.path() + " read", np, S::Done, "", "Read"},
        {"--port by a path to nowhere", "--port " + (root_ / "usb-FTDI_gone").string() + " read",
         np, S::AdapterUnavailable, "usb-FTDI_gone is not there.", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root_ / "history");
        const Run result = run(onUsb(words(row.command)), row.gyro, row.event);
        EXPECT_EQ(result.status, row.status) << result.err;
        const QString said = QString::fromStdString(row.err);
        if (!said.isEmpty()) {  // said once
            EXPECT_EQ(QString::fromStdString(result.err).count(said), 1) << result.err;
        }
        // What a script reading JSON gets: the settings read, if any, and what went wrong.
        if (row.command.ends_with("--json")) {
            const QJsonObject json =
                QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).object();
            EXPECT_EQ(json.value("status").toInt(), static_cast<int>(row.status)) << result.out;
            EXPECT_TRUE(json.value("error").toString().contains(said));
            EXPECT_EQ(json.contains("settings"), row.status != S::GyroSilent);
        }
        std::vector<std::string> kinds;
        for (const Snapshot& snapshot : HistoryStore((root_ / "history").string()).listAll()) {
            kinds.emplace_back(snapshotKindName(snapshot.kind));
            // Where what was being stored is kept, for the pilot to find it.
            if (snapshot.kind == SnapshotKind::Unfinished) {
                EXPECT_NE(result.err.find(snapshot.path), std::string::npos) << result.err;
            }
        }
        std::sort(kinds.begin(), kinds.end());
        EXPECT_EQ(kinds, words(row.kept));
    }
}

// "-o -" prints what "Save to file" writes into a new file.
TEST_F(CliTest, ReadOnStandardOutputForADash) {
    const std::string saved = (root_ / "saved.tsf").string();
    run(onUsb({"read", "-o", saved}));
    EXPECT_EQ(run(onUsb({"read", "-o", "-"})).out, contents(saved));
}

TEST_F(CliTest, HistoryOfOneGyroListsThatGyroOnly) {
    HistoryStore store((root_ / "history").string());
    for (const char* serial : {"111111", "222222", "111111"}) {
        GyroConfig config;
        loadDefaults(config);
        config.serialNumber = serial;
        ASSERT_TRUE(store.record(config, SnapshotKind::Read).result);
    }
    const std::string one = run({"history", "--serial", "111111"}).out;
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 2) << one;
    EXPECT_EQ(one.find("222222"), std::string::npos) << one;
}

// The safety warning is the window's to ask: --yes agrees for one run and leaves the
// preference as it was, whichever it was.
TEST_F(CliTest, AStoreLeavesTheWindowsSafetyWarningAsItWas) {
    const std::string same = settingsFile("same.tsf", [](GyroConfig&) {});
    for (const std::string warning : {"WARNING=0", "WARNING=1"}) {
        SCOPED_TRACE(warning);
        const std::string ini =
            file("TarvelRCGyro.ini", "[Settings]\r\nCOM PORT=USB\r\n" + warning + "\r\n");
        EXPECT_EQ(run({"store", same, "--yes"}).status, CliStatus::Done);
        EXPECT_NE(contents(ini).find(warning), std::string::npos) << contents(ini);
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
    // The monitor starts at one look of the stepping clock, and each round is one more.
    const Run csv = run({"--port", "USB", "monitor", "--rounds", "3", "--csv"},
                        "--no-pace --live 512,1600,2020");
    EXPECT_EQ(csv.status, CliStatus::Done) << csv.err;
    EXPECT_EQ(csv.out,
              "time_s,gyro,rudder_us,gain_us,gain_percent\n0.250,512,1600,2020,100\n"
              "0.500,512,1600,2020,100\n0.750,512,1600,2020,100\n");

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

// The program itself: a wrong command line ends at once with status 2, and Ctrl+C (or a closed
// terminal, or a shutdown) ends the live signals after the round in progress, with every line
// whole. The preferences it keeps beside itself are in its own folder.
TEST_F(CliTest, TheProgramEndsCleanlyOnAWrongCommandLineAndOnCtrlC) {
    QProcess wrong;
    wrong.start(program(wrong, ""), {QStringLiteral("fly")});
    ASSERT_TRUE(wrong.waitForFinished(10000));
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_TRUE(wrong.readAllStandardError().contains("unknown command fly"));

    for (const int request : {SIGINT, SIGHUP, SIGTERM}) {
        SCOPED_TRACE(request);
        QProcess monitor;
        monitor.start(program(monitor, "--live 600,1500,2000"),
                      {QStringLiteral("--port"), QStringLiteral("USB"), QStringLiteral("monitor")});
        ASSERT_TRUE(monitor.waitForReadyRead(10000)) << "the first round";
        ::kill(static_cast<pid_t>(monitor.processId()), request);
        ASSERT_TRUE(monitor.waitForFinished(10000));
        EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(monitor.exitCode(), 0);
        const QByteArray out = monitor.readAllStandardOutput();
        EXPECT_TRUE(out.endsWith("Gain = 2000 (96%)\n")) << out.toStdString();
    }
    EXPECT_TRUE(fs::exists(root_ / "bin" / "TarvelRCGyro.ini"));
}

// Standard output closed before anything is written to it (a pipe whose reader has gone):
// the write fails, and the program says so and ends with 1 instead of being killed.
TEST_F(CliTest, TheProgramOutlivesAPipeWithNoReader) {
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    ::close(ends[0]);
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.setChildProcessModifier([writeEnd = ends[1]] { ::dup2(writeEnd, STDOUT_FILENO); });
    // Printed before any command runs; what a command prints fails as it does in-process.
    cli.start(program(cli, ""), {QStringLiteral("--help")});
    ASSERT_TRUE(cli.waitForFinished(10000));
    ::close(ends[1]);
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_TRUE(cli.readAllStandardError().contains("could not be written"));
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// vn340-cli's commands against the simulated gyro: behind the simulated D2XX library as "USB",
// and over a pseudo-terminal to vn340-sim as a serial port.

#include "cli/cli_session.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

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

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); !part.empty() && at != std::string::npos;
         at = text.find(part, at + 1))
        ++count;
    return count;
}

// Standard output as a reader sees it: a call at each line, and a reader that may go away.
class WatchedOutput final : public std::streambuf {
  public:
    std::string text;
    std::function<void()> onLine;
    int linesBeforeClosing = -1;  // -1: the reader stays

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()) || linesBeforeClosing == 0)
            return traits_type::eof();
        text += traits_type::to_char_type(c);
        if (c == '\n') {
            linesBeforeClosing -= linesBeforeClosing > 0 ? 1 : 0;
            if (onLine)
                onLine();
        }
        return c;
    }
};

// The system's platform with a steady clock that moves 250 ms at each look.
class SteppingClock final : public ForwardingPlatform {
  public:
    using ForwardingPlatform::ForwardingPlatform;
    std::chrono::milliseconds steadyNow() override {
        return now_ += std::chrono::milliseconds(250);
    }

  private:
    std::chrono::milliseconds now_{5000};
};

// What happens to a run besides the gyro's answers.
enum class Event {
    None,
    StopAtOnce,              // Ctrl+C as the command starts
    StopOnOutput,            // Ctrl+C, a closed terminal and a shutdown, once a line is out
    OutputClosed,            // standard output cannot be written at all
    OutputClosesAfterALine,  // its reader goes after the first line
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
        if (!parsed.options)
            return {parsed.status, parsed.output, parsed.error};
        SystemPlatform system(paths_);
        SteppingClock clocked(system);
        WatchedOutput watched;
        watched.linesBeforeClosing = event == Event::OutputClosed             ? 0
                                     : event == Event::OutputClosesAfterALine ? 1
                                                                              : -1;
        std::ostream out(&watched);
        std::ostringstream err;
        CliSession session(*parsed.options,
                           steppingClock_ ? static_cast<Platform&>(clocked) : system, paths_, out,
                           err, false);
        // Delivered by the event loop, as the system's requests are; dropped with the session.
        const auto stop = [&session](std::vector<StopRequest> requests) {
            QTimer::singleShot(0, &session, [&session, requests] {
                for (const StopRequest request : requests)
                    session.stop(request);
            });
        };
        if (event == Event::StopAtOnce)
            stop({StopRequest::Interrupt});
        if (event == Event::StopOnOutput)
            watched.onLine = [&stop, &watched] {
                stop({StopRequest::Interrupt, StopRequest::HangUp, StopRequest::Terminate});
                watched.onLine = nullptr;
            };
        const CliStatus status = session.run();
        return {status, watched.text, err.str()};
    }
    // The snapshots kept, newest first.
    std::vector<Snapshot> kept() const {
        return HistoryStore((root_ / "history").string()).listAll();
    }
    // vn340-cli itself, in a program folder of the test's own: the preferences it keeps beside
    // itself stay there, and so does everything else it keeps.
    QString program(QProcess& process, const char* simOptions) const {
        const fs::path folder = root_ / "bin";
        fs::create_directories(folder);
        std::error_code linked;
        if (!fs::exists(folder / "vn340-cli"))
            fs::create_hard_link(VN340_CLI_PROGRAM, folder / "vn340-cli", linked);
        if (linked)
            fs::copy_file(VN340_CLI_PROGRAM, folder / "vn340-cli");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VN340_D2XX_LIBRARY"), QStringLiteral(VN340_SIM_D2XX));
        environment.insert(QStringLiteral("VN340_SIM_OPTIONS"), QString::fromUtf8(simOptions));
        const QString home = QString::fromStdString(root_.string());
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        process.setProcessEnvironment(environment);
        return QString::fromStdString((folder / "vn340-cli").string());
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
    bool steppingClock_ = false;
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
    const std::string higher =
        settingsFile("higher.tsf", [](GyroConfig& config) { config.highEndpoint = 120; });
    const std::string softer =
        settingsFile("softer.tsf", [](GyroConfig& config) { config.accelProfile = 3; });
    // `higher` with values of its own in place of those it had.
    const auto edited = [&](const char* name,
                            std::vector<std::pair<std::string, std::string>> changes) {
        std::string bytes = contents(higher);
        for (const auto& [from, to] : changes)
            bytes.replace(bytes.find(from), from.size(), to);
        return file(name, bytes);
    };
    const std::string tooHigh = edited("toohigh.tsf", {{"High endpoint=120", "High endpoint=500"}});
    const std::string pastLimit = edited("past.tsf", {{"High endpoint=120", "High endpoint=146"}});
    const std::string atLimit = edited("limit.tsf", {{"High endpoint=120", "High endpoint=145"}});
    const std::string twoWrong =
        edited("two.tsf", {{"Midpoint trim=0", "Midpoint trim=abc"}, {"Low endpoint=100\r\n", ""}});
    const std::string refused =
        "cannot be stored as it is, so nothing was sent to the gyro: the default would take the "
        "place of each of these values.\n";
    const std::string bad = ": missing, not a whole number, or outside its limits\n";
    const std::string store = "store " + higher + " --yes";
    const std::string unwritten = "could not be written";
    const std::string finishing = "Finishing the store first (about 2 s)\u2026\n";
    using S = CliStatus;
    using E = Event;
    const char* const np = "--no-pace";
    struct Row {
        const char* what;
        std::string command;  // after "--port USB", its words split at blanks
        const char* gyro;
        S status;
        std::string err;   // said once on standard error
        std::string kept;  // the kinds of the snapshots kept
        Event event = E::None;
    };
    const Row rows[] = {
        {"stored, read back as written", store, np, S::Done, "", "Read Stored"},
        {"a damaged read-back answer", store, "--no-pace --corrupt 46", S::Differences,
         "\nHigh endpoint: stored 120, the gyro's answer was damaged\n", "Read Unverified"},
        {"a profile's second copy kept", "store " + softer + " --yes", "--no-pace --stuck 0x0112",
         S::Differences, "\nAcceleration profile: stored 3", "Read Unverified"},
        {"cut short after its first word", store, "--no-pace --silent-from 35", S::GyroSilent,
         "_unfinished.tsf\n", "Read Unfinished"},
        {"cut short before its first word", store, "--no-pace --silent-from 25", S::GyroSilent,
         "nothing had been written yet", "Read"},
        {"a value out of its range", "store " + tooHigh + " --yes", np, S::BadFile,
         refused + "High endpoint" + bad, ""},
        {"just past its limit", "store " + pastLimit + " --yes", np, S::BadFile,
         "\nHigh endpoint" + bad, ""},
        {"at its limit", "store " + atLimit + " --yes", np, S::Done, "", "Read Stored"},
        {"a key missing, no number", "store " + twoWrong + " --yes", np, S::BadFile,
         "\nLow endpoint" + bad + "Midpoint trim" + bad, ""},
        {"a damaged firmware answer", "read", "--no-pace --corrupt 3", S::Differences,
         "The firmware version could not be read", "Read"},
        {"a damaged serial number", "read", "--no-pace --corrupt 5", S::Differences,
         "The serial number could not be read", "Read"},
        {"a damaged loader answer", "read", "--no-pace --corrupt 6", S::Differences,
         "The loader version could not be read", "Read"},
        {"read --json, a damaged answer", "read --json", "--no-pace --corrupt 3", S::Differences,
         "The firmware version could not be read", "Read"},
        {"read --json, a silent gyro", "read --json", "--no-pace --silent-from 1", S::GyroSilent,
         "Unable to communicate with the vn340", ""},
        {"a read asked to end", "read", np, S::Interrupted, "Interrupted", "", E::StopAtOnce},
        {"a diff asked to end", "diff " + higher, np, S::Interrupted, "Interrupted", "",
         E::StopAtOnce},
        {"a store asked to end as it reads", store, np, S::Interrupted, "Interrupted", "",
         E::StopAtOnce},
        {"a store asked to end as it stores", store, np, S::Done, finishing, "Read Stored",
         E::StopOnOutput},
        {"ports, nowhere to print", "ports", np, S::OutputFailed, unwritten, "", E::OutputClosed},
        {"read, nowhere to print", "read", np, S::OutputFailed, unwritten, "Read", E::OutputClosed},
        {"read -o -, nowhere to print", "read -o -", np, S::OutputFailed, unwritten, "Read",
         E::OutputClosed},
        {"diff, nowhere to print", "diff " + higher, np, S::OutputFailed, unwritten, "Read",
         E::OutputClosed},
        {"store, its changes unseen", store, np, S::OutputFailed, unwritten, "Read",
         E::OutputClosed},
        {"monitor, its reader gone", "monitor --rounds 5", "--no-pace --live 1,2,3",
         S::OutputFailed, unwritten, "", E::OutputClosesAfterALine},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root_ / "history");
        std::vector<std::string> command;
        std::istringstream words(row.command);
        for (std::string word; words >> word;)
            command.push_back(word);
        const Run result = run(onUsb(command), row.gyro, row.event);
        EXPECT_EQ(result.status, row.status) << result.err;
        if (!row.err.empty()) {
            EXPECT_EQ(occurrences(result.err, row.err), 1u) << result.err;
        }
        // What a script reading JSON gets: the settings read, if any, and what went wrong.
        if (row.command.ends_with("--json")) {
            const QJsonObject json =
                QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).object();
            EXPECT_EQ(json.value("status").toInt(), static_cast<int>(row.status)) << result.out;
            EXPECT_TRUE(json.value("error").toString().contains(QString::fromStdString(row.err)));
            EXPECT_EQ(json.contains("settings"), row.status != S::GyroSilent);
        }
        std::vector<Snapshot> snapshots = kept();
        std::sort(snapshots.begin(), snapshots.end(),
                  [](const Snapshot& a, const Snapshot& b) { return a.kind < b.kind; });
        std::string kinds;
        for (const Snapshot& snapshot : snapshots) {
            kinds += (kinds.empty() ? "" : " ") + std::string(snapshotKindName(snapshot.kind));
            // Where what was being stored is kept, for the pilot to find it.
            if (snapshot.kind == SnapshotKind::Unfinished) {
                EXPECT_NE(result.err.find(snapshot.path), std::string::npos) << result.err;
            }
        }
        EXPECT_EQ(kinds, row.kept);
    }
}

TEST_F(CliTest, ReadWritesAFileOverAnotherOnlyWithForceAndOnStandardOutputForADash) {
    const char* const gyro = "--no-pace --set 0x0100=1658";  // high endpoint 33
    const std::string there = file("there.tsf", "[Gyro]\r\nkept=yes\r\n");
    const Run refused = run(onUsb({"read", "-o", there}), gyro);
    EXPECT_EQ(refused.status, CliStatus::BadFile);
    EXPECT_NE(refused.err.find("there already: add --force"), std::string::npos) << refused.err;
    EXPECT_EQ(contents(there), "[Gyro]\r\nkept=yes\r\n");
    EXPECT_TRUE(kept().empty()) << "nothing was read";

    EXPECT_EQ(run(onUsb({"read", "-o", there, "--force"}), gyro).status, CliStatus::Done);
    GyroConfig factory;
    loadDefaults(factory);
    EXPECT_EQ(decodeSettingsFile(contents(there), factory).config.highEndpoint, 33);

    const std::string fresh = (root_ / "fresh.tsf").string();
    ASSERT_EQ(run(onUsb({"read", "-o", fresh}), gyro).status, CliStatus::Done);
    const Run piped = run(onUsb({"read", "-o", "-"}), gyro);
    EXPECT_EQ(piped.status, CliStatus::Done);
    EXPECT_EQ(piped.out, contents(fresh));
}

TEST_F(CliTest, HistoryOfOneGyroListsThatGyroOnly) {
    HistoryStore store((root_ / "history").string());
    for (const char* serial : {"111111", "222222", "111111"}) {
        GyroConfig config;
        loadDefaults(config);
        config.serialNumber = serial;
        ASSERT_TRUE(store.record(config, SnapshotKind::Read).result);
    }
    const Run one = run({"history", "--serial", "111111"});
    EXPECT_EQ(one.status, CliStatus::Done);
    EXPECT_EQ(occurrences(one.out, "  111111  "), 2u) << one.out;
    EXPECT_EQ(occurrences(one.out, "\n"), 2u) << one.out;
    EXPECT_EQ(occurrences(run({"history"}).out, "\n"), 3u);
}

// The safety warning is the window's to ask: --yes agrees for one run and leaves the
// preference as it was, whichever it was.
TEST_F(CliTest, AStoreLeavesTheWindowsSafetyWarningAsItWas) {
    const std::string higher =
        settingsFile("higher.tsf", [](GyroConfig& config) { config.highEndpoint = 120; });
    for (const char* warning : {"WARNING=0", "WARNING=1"}) {
        SCOPED_TRACE(warning);
        const fs::path ini = root_ / "TarvelRCGyro.ini";
        std::ofstream(ini, std::ios::binary) << "[Settings]\r\nCOM PORT=USB\r\n"
                                             << warning << "\r\n";
        EXPECT_EQ(run({"store", higher, "--yes"}).status, CliStatus::Done);
        EXPECT_NE(contents(ini).find(warning), std::string::npos) << contents(ini);
    }
}

// --port takes the path of a device too: a pseudo-terminal no list shows, a link to a listed
// port, or nothing at all.
TEST_F(CliTest, APortGivenByItsPathIsOpened) {
    SimulatorProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const Run unlisted = run({"--port", sim.path(), "read"});
    EXPECT_EQ(unlisted.status, CliStatus::Done) << unlisted.err;
    EXPECT_NE(unlisted.out.find("\nHigh endpoint: 100\n"), std::string::npos);

    ports_.add("ttyVN0", sim.path());
    fs::create_directories(root_ / "by-id");
    fs::create_symlink(root_ / "dev" / "ttyVN0", root_ / "by-id" / "usb-FTDI_Vexa-Plug");
    const Run linked = run({"--port", (root_ / "by-id" / "usb-FTDI_Vexa-Plug").string(), "read"});
    EXPECT_EQ(linked.status, CliStatus::Done) << linked.err;

    const Run nowhere = run({"--port", (root_ / "by-id" / "usb-FTDI_gone").string(), "read"});
    EXPECT_EQ(nowhere.status, CliStatus::AdapterUnavailable);
    EXPECT_NE(nowhere.err.find("usb-FTDI_gone is not there."), std::string::npos) << nowhere.err;
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
    steppingClock_ = true;  // the monitor starts at one look, and each round is one more
    const Run csv = run({"--port", "USB", "monitor", "--rounds", "3", "--csv"},
                        "--no-pace --live 512,1600,2020");
    EXPECT_EQ(csv.status, CliStatus::Done) << csv.err;
    EXPECT_EQ(csv.out,
              "time_s,gyro,rudder_us,gain_us,gain_percent\n0.250,512,1600,2020,100\n"
              "0.500,512,1600,2020,100\n0.750,512,1600,2020,100\n");
    steppingClock_ = false;

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

// A store under way is finished whatever the system asks, and says so once; the gyro is paced
// like a real line, so the store is still running when the requests come.
TEST_F(CliTest, TheProgramFinishesAStoreBeforeItEnds) {
    const std::string higher =
        settingsFile("higher.tsf", [](GyroConfig& config) { config.highEndpoint = 120; });
    QProcess store;
    store.start(program(store, ""),
                {QStringLiteral("--port"), QStringLiteral("USB"), QStringLiteral("store"),
                 QString::fromStdString(higher), QStringLiteral("--yes")});
    ASSERT_TRUE(store.waitForReadyRead(10000)) << "what the store changes";
    for (const int request : {SIGHUP, SIGTERM, SIGINT})
        ::kill(static_cast<pid_t>(store.processId()), request);
    ASSERT_TRUE(store.waitForFinished(20000));
    EXPECT_EQ(store.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(store.exitCode(), 0);
    const std::string err = store.readAllStandardError().toStdString();
    EXPECT_EQ(occurrences(err, "Finishing the store first (about 2 s)\u2026\n"), 1u) << err;
}

// Standard output closed before anything is written to it (a pipe whose reader has gone):
// the write fails, and the program says so and ends with 1 instead of being killed.
TEST_F(CliTest, TheProgramOutlivesAPipeWithNoReader) {
    const std::vector<QStringList> commands = {
        {QStringLiteral("--port"), QStringLiteral("USB"), QStringLiteral("read")},
        {QStringLiteral("ports")},
        {QStringLiteral("--help")},
    };
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(' ').toStdString());
        int ends[2] = {-1, -1};
        ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        ::close(ends[0]);
        QProcess cli;
        cli.setStandardOutputFile(QProcess::nullDevice());
        cli.setChildProcessModifier([writeEnd = ends[1]] { ::dup2(writeEnd, STDOUT_FILENO); });
        cli.start(program(cli, "--no-pace"), command);
        ASSERT_TRUE(cli.waitForFinished(10000));
        ::close(ends[1]);
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(cli.exitCode(), 1);
        EXPECT_TRUE(cli.readAllStandardError().contains("could not be written"));
    }
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

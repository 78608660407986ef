#pragma once

// The history of configurations: after every read from the gyro and every store to it, the
// configuration is kept as a settings file of its own, one folder per gyro, so that a setup
// that was lost can be found again. Files are only ever added: none is written over or
// removed, and a file that is not one of ours, or is damaged beyond loading, is passed over
// when listing.
//
//   <data home>/tarvelrc/history/<serial number>/2026-12-08_221503_read.tsf
//                                                2026-12-08_221503_stored-2.tsf
//                                                2026-12-08_221734_unfinished.tsf
//
// The names sort by local time; a second snapshot within the same second gets "-2", "-3"...

#include <compare>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"
#include "base/sys_result.h"
#include "config/gyro_config.h"

namespace vn340 {

// Read from the gyro, stored to it (and read back as stored), stored but not read back as
// stored, or being stored when the store ended early: what the pilot prepared is kept even when
// the gyro did not take all of it. Closed is the screen as the window closed, changed since it
// was last read, stored, loaded or saved.
enum class SnapshotKind { Read, Stored, Unfinished, Closed, Unverified };

// "Read", "Stored", "Unfinished": how the history window names a kind.
std::string_view snapshotKindName(SnapshotKind kind);
// "read from", "stored to", "not finished storing to", "on screen at closing for": what the
// snapshot's configuration was to the gyro, in a sentence about it.
std::string_view snapshotKindPhrase(SnapshotKind kind);

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    auto operator<=>(const LocalTime&) const = default;
};

// The clock on the wall, in the system's time zone.
LocalTime localTimeNow();

// "2026-12-08" and "22:15:03".
std::string dateText(const LocalTime& time);
std::string timeText(const LocalTime& time);

struct Snapshot {
    std::string serialNumber;
    LocalTime time;
    SnapshotKind kind = SnapshotKind::Read;
    int sequence = 1;  // 1 for the first snapshot of its second, then 2, 3...
    std::string path;
    // The file's settings and comments on the factory configuration, as loading the file
    // puts them on the screen: a value outside the settings file's ranges is its default.
    GyroConfig config;
};

// "$XDG_DATA_HOME/tarvelrc/history" when XDG_DATA_HOME is an absolute path, else
// "$HOME/.local/share/tarvelrc/history", else empty: there is nowhere to keep a history.
std::string historyFolderFrom(const char* xdgDataHome, const char* home);
// "<data home>/tarvelrc/history" in the running system's data home (dataHome() of
// base/user_folders.h: the roaming application data folder on Windows), else empty.
std::string historyFolder();

// "2026-12-08_221503_read.tsf", with "-<sequence>" before ".tsf" from the second one on.
std::string snapshotFileName(const LocalTime& time, SnapshotKind kind, int sequence = 1);

// The first comment line of a snapshot: "Read from the vn340 with serial number 135732 on
// 2026-12-08 22:15:03", "Stored to ..." or "Not finished storing to ...".
std::string snapshotHeadline(SnapshotKind kind, std::string_view serialNumber,
                             const LocalTime& time);

// The first line of the pilot's own comments in a snapshot (the model's name, where the pilot
// wrote one), past the headline and blank lines; empty when there is none.
std::string firstCommentLine(const GyroConfig& config);

// Where the next start says the screen kept at closing is: "Kept at the last closing, in the
// history: 135732/2026-12-09_201503_closed.tsf".
std::string closedNoteText(std::string_view whereInHistory);

// The folder a screen without a serial number (never read from a gyro) is kept in.
inline constexpr std::string_view kUnreadFolder = "unread";
// The folder of a gyro whose serial number could not be read, or is not a plain number.
inline constexpr std::string_view kUnknownGyroFolder = "unknown";

// What the pilot is told, once per run, when the history cannot be written.
std::string historyFailureMessage(const SysResult& failure);

struct RecordResult {
    SysResult result;
    std::string path;  // the file written
    // The first failure of this store's life: the one to tell the pilot about.
    bool tellPilot = false;
};

class HistoryStore {
  public:
    using Clock = std::function<LocalTime()>;

    explicit HistoryStore(std::string folder = historyFolder(),
                          FileSystem& files = systemFileSystem(), Clock clock = localTimeNow);

    // Keeps `config` (just read from, or stored to, the gyro whose serial number it holds) as a
    // new file in that gyro's folder, made on demand.
    RecordResult record(const GyroConfig& config, SnapshotKind kind);

    // Newest first: the snapshots of one gyro, or of every gyro.
    std::vector<Snapshot> list(const std::string& serialNumber) const;
    std::vector<Snapshot> listAll() const;

    const std::string& folder() const { return folder_; }

    // The note of a snapshot kept as the window closed, for the next start to tell once: the
    // one file of the history that is written over, next to the gyros' folders.
    void noteClosed(const std::string& snapshotPath);
    // The note's place of the snapshot within the history, if one is left; it is then spent.
    std::optional<std::string> takeClosedNote();

  private:
    SysResult writeNew(const std::string& gyroFolder, const LocalTime& time, SnapshotKind kind,
                       const std::string& bytes, std::string& path);
    void collect(const std::string& serialNumber, std::vector<Snapshot>& into) const;

    std::string folder_;
    FileSystem& files_;
    Clock clock_;
    bool failedBefore_ = false;
};

}  // namespace vn340

#pragma once

// One window per pilot: two programs would fight over one adapter. The first start listens on
// a local socket in a folder of the pilot's alone; a later start hands it the file it was given
// (or none) and ends, and the running window loads the file and comes to the front. Both ends
// talk only to a program of the same user.

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QLocalSocket;

namespace vn340 {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // Whether the program at the other end of a connection, given by the connection's
    // descriptor, runs as this one's user.
    using PeerCheck = std::function<bool(qintptr descriptor)>;

    // A busy window answers within this time; one that does not is taken to hang.
    static constexpr std::chrono::milliseconds kAnswerTime{3000};

    // `socketName` is a full path. `sameUser` is the system's check unless a test plays another
    // user with it.
    explicit SingleInstance(QString socketName, PeerCheck sameUser = {}, QObject* parent = nullptr);

    // The pilot's socket, in their runtime folder when that is theirs alone, else in a folder
    // of theirs in the temporary folder. Empty, with `problem` saying why, when no folder is
    // safe: anyone could then stand in for the running window.
    static QString defaultSocketName(QString* problem = nullptr);

    enum class HandOver {
        Taken,          // the running window took the file
        NobodyListens,  // no socket, or one a crashed program left: safe to take over
        NoAnswer,       // a window listens but did not take the file in time: busy or hung
        OtherUser,      // another user's program listens: it is handed nothing
    };
    HandOver handOver(const QString& file, std::chrono::milliseconds timeout = kAnswerTime);

    // This program becomes the running one: each later start's file reaches `arrived`, on this
    // thread. A socket that nobody listens on (a crashed program's) is taken over; one that a
    // window still listens on, answering or not, is not.
    bool listen(std::function<void(const QString& file)> arrived);

    // A start's part, before its window exists: hands `file` to the pilot's running window and
    // gives the exit status this start ends with (0 when the file was taken, 1 when a window
    // runs but does not answer, said on standard error). Otherwise none, and `instance` is
    // what this start listens with once its window is up (nothing where no safe socket can be
    // had, which is said on standard error too).
    static std::optional<int> startOrHandOver(const QString& file,
                                              std::unique_ptr<SingleInstance>& instance);

  private:
    void serve(QLocalSocket* socket);
    void take(QLocalSocket* socket);

    QString socketName_;
    PeerCheck sameUser_;
    QLocalServer server_;
    std::function<void(const QString&)> arrived_;
};

}  // namespace vn340

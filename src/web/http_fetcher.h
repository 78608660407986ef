#pragma once

// Fetches the body of one URL, on the GUI thread, and tells what the connection is doing as
// one-line status texts. The fetch waits in a local event loop that runs timers, sockets and
// painting but no input, so the window keeps drawing while the pilot cannot start anything
// else; a fetch that can be cancelled takes input too (see setCancelSwitch). Every failure
// ends as an "Error: " text, which is logged and becomes the last text.
//
// A redirect is followed only to an https address: anything else would carry the request
// where it may be read on the way. A redirect elsewhere is the fetch's answer, with its own
// status.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "web/logging_internet_connection.h"

namespace vn340 {

class CancelSwitch;
class StatusLog;

class HttpFetcher {
  public:
    // Whole seconds of the wall clock; the transfer rate is measured on it.
    using WallClock = std::function<std::int64_t()>;

    HttpFetcher();
    ~HttpFetcher();
    HttpFetcher(const HttpFetcher&) = delete;
    HttpFetcher& operator=(const HttpFetcher&) = delete;

    // Set before the first fetch; a connection takes these settings when it is opened.
    void setLogTarget(StatusLog* target) { logTarget_ = target; }
    // Every request goes to the server: no cached answer is used or kept.
    void setReloadFromServer(bool reload) { reloadFromServer_ = reload; }
    // The longest wait for the next sign of the server (name lookup included); zero waits as
    // long as the network does.
    void setReceiveTimeout(std::chrono::milliseconds timeout) { receiveTimeout_ = timeout; }
    // The longest a whole fetch may take, however busy the server keeps it; zero sets none.
    void setTotalTimeout(std::chrono::milliseconds timeout) { totalTimeout_ = timeout; }
    // A fetch ends as a failure as soon as `cancel` is pressed. Meanwhile the wait lets the
    // pilot's input through, so that the switch can be reached: the caller keeps its other
    // windows blocked (a modal progress window does). None: nothing can cancel.
    void setCancelSwitch(CancelSwitch* cancel) { cancel_ = cancel; }
    void setProxy(const QString& host, quint16 port);
    void setWallClock(WallClock clock) { wallClock_ = std::move(clock); }

    // Fills `response` with exactly the bytes of the body. An empty agent means the program's
    // name; a status window replaces the connection's, none keeps it. True when the body was
    // read to its end, whatever the HTTP status; false with lastText() on failure, and when a
    // proxy on the way asks for a password (407): the answer is not the service's.
    bool fetch(const QUrl& url, QByteArray& response, const QString& agent = {},
               StatusLog* statusWindow = nullptr);
    QString lastText() const;
    // Whether the last fetch ended because its cancel switch was pressed.
    bool cancelled() const { return cancelled_; }
    // Closes the connection and its sockets; the next fetch opens a new one.
    void closeConnection();

    // Of the last fetch: kilobytes per second (the byte count while under a second), the
    // HTTP status (0 when none arrived) and the response headers, one "Name: value" a line.
    double transferRate() const { return transferRate_; }
    int statusCode() const { return statusCode_; }
    const QByteArray& responseHeaders() const { return responseHeaders_; }

  private:
    void openConnection(const QString& agent, StatusLog* statusWindow);

    std::unique_ptr<LoggingInternetConnection> connection_;
    StatusLog* logTarget_ = nullptr;
    bool reloadFromServer_ = false;
    std::chrono::milliseconds receiveTimeout_{0};
    std::chrono::milliseconds totalTimeout_{0};
    CancelSwitch* cancel_ = nullptr;
    std::optional<std::pair<QString, quint16>> proxy_;
    WallClock wallClock_;

    bool cancelled_ = false;
    double transferRate_ = 0;
    int statusCode_ = 0;
    QByteArray responseHeaders_;
};

}  // namespace vn340

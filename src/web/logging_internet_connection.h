#pragma once

// The internet connection of one fetcher: the access manager that keeps its sockets from one
// request to the next, the settings it was opened with, and the one-line texts that tell what
// it is doing. Each text becomes the last text and, while a status window is set, the only
// line of the log target, redrawn at once.

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QString>

#include <chrono>

namespace vn340 {

class StatusLog;

// The steps of a request that Qt reports, numbered as such texts have always been numbered.
enum class InternetStatus : int {
    ResolvingName = 10,
    NameResolved = 11,
    ConnectingToServer = 20,
    RequestSent = 31,
    ResponseReceived = 41,
    RequestComplete = 100,
};

class LoggingInternetConnection {
  public:
    LoggingInternetConnection(QString agent, StatusLog* statusWindow);

    const QString& agent() const { return agent_; }
    QNetworkAccessManager& manager() { return manager_; }

    void setLogTarget(StatusLog* target) { logTarget_ = target; }
    void setStatusWindow(StatusLog* window) { statusWindow_ = window; }

    // The longest wait for the next sign of the server; zero waits as long as the network does.
    void setReceiveTimeout(std::chrono::milliseconds timeout) { receiveTimeout_ = timeout; }
    std::chrono::milliseconds receiveTimeout() const { return receiveTimeout_; }
    void setProxy(const QNetworkProxy& proxy);
    // The host whose name is looked up before a request to `url`: the proxy's when one is used.
    QString hostToResolve(const QUrl& url) const;

    // `info` is the name being resolved, for the two name steps.
    void onStatus(InternetStatus status, const QString& info = {});
    void log(const QString& text);
    // "Error: " and the message, logged and kept as the last text.
    void logError(const QString& message);
    const QString& lastText() const { return lastText_; }

  private:
    QString agent_;
    QNetworkAccessManager manager_;
    std::chrono::milliseconds receiveTimeout_{0};
    StatusLog* statusWindow_;
    StatusLog* logTarget_ = nullptr;
    QString lastText_;
};

}  // namespace vn340

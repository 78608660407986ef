#pragma once

// One window per pilot: two programs would fight over one adapter. The first start listens on
// a local socket of the pilot's own; a later start hands it the file it was given (or none) and
// ends, and the running window loads the file and comes to the front.

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

namespace vn340 {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // `socketName` is a full path (a test's private one), or a name in Qt's temporary folder.
    explicit SingleInstance(QString socketName, QObject* parent = nullptr);

    // The pilot's socket: in their runtime folder, else in the temporary folder under their
    // user number.
    static QString defaultSocketName();

    // True when a running program took `file` (empty: only to come to the front). False when
    // none answers within `timeoutMs`, a crashed one's socket included: this program then
    // runs the window itself.
    bool handOver(const QString& file, int timeoutMs = 3000);

    // This program becomes the running one: each later start's file reaches `arrived`, on this
    // thread. A socket left by a program that ended without removing it is taken over.
    bool listen(std::function<void(const QString& file)> arrived);

  private:
    void serve(class QLocalSocket* socket);

    QString socketName_;
    QLocalServer server_;
    std::function<void(const QString&)> arrived_;
};

}  // namespace vn340

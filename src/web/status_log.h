#pragma once

#include <QObject>
#include <QString>

namespace vn340 {

// The list that receives a fetcher's status texts. It holds only the latest line; whoever
// shows it redraws in `changed`, which is emitted at once, while the request is still
// running (the window's own list is never shown, so nobody draws it there).
class StatusLog : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // The last entry is replaced by `line`.
    void replaceLatest(const QString& line);
    const QString& latest() const { return latest_; }
    // Emits `changed` with the latest line.
    void redrawNow();

  signals:
    void changed(const QString& latest);

  private:
    QString latest_;
};

}  // namespace vn340

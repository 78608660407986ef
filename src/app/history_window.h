#pragma once

// "History...": the snapshots the history keeps of the gyro last read (or of every gyro),
// newest first, each with its date, time, kind, how many settings differ from the screen and
// the first line of its comments (none while it is the text a new configuration starts with).
// "Load" and "Compare" hand the chosen snapshot on; the window itself changes nothing.

#include <QDialog>

#include <string>
#include <vector>

#include "config/gyro_config.h"
#include "config/history_store.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace vn340 {

class HistoryWindow : public QDialog {
    Q_OBJECT
  public:
    explicit HistoryWindow(QWidget* parent = nullptr);

    // Lists what `store` keeps of the gyro with `serialNumber` (of every gyro when it is
    // empty: nothing has been read yet), counted against `screen`; shows the window and brings
    // it forward. The store must outlive the window's use of it.
    void present(const HistoryStore& store, const std::string& serialNumber,
                 const GyroConfig& screen);
    // The screen has changed: the counts follow it.
    void setScreen(const GyroConfig& screen);

    // What the list shows, top to bottom.
    const std::vector<Snapshot>& snapshots() const { return snapshots_; }

  signals:
    void loadRequested(const vn340::Snapshot& snapshot);
    void compareRequested(const vn340::Snapshot& snapshot);

  private:
    void refill();
    void recount();
    void updateButtons();
    // Wide enough, in the list's font, for every column of a snapshot of any gyro with its
    // first 40 characters of comment.
    int openingWidth() const;
    const Snapshot* chosen() const;

    const HistoryStore* store_ = nullptr;
    std::string serialNumber_;
    GyroConfig screen_;
    std::vector<Snapshot> snapshots_;

    QTreeWidget* list_;
    QLabel* empty_;
    QCheckBox* allGyros_;
    QLabel* allGyrosNote_;
    QPushButton* load_;
    QPushButton* compare_;
};

}  // namespace vn340

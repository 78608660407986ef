#pragma once

// The offer to send the statistics a read found on the gyro, and the run of that offer with the
// window's dialogs.

#include <QDialog>
#include <QString>

#include "protocol/sequence_engine.h"
#include "statistics/statistics_line.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vn340 {

class MessageDialog;
class ProfileStore;
class StatusLog;
struct GyroConfig;

// Built once with the window and kept for the run, so that its fields keep what the pilot
// typed from one offer to the next. "Send" takes the fields and accepts; "Skip" (the default,
// also Enter), Escape and the close box reject without taking them. Clicking "Do not ask next
// time" takes all fields at once, so the box is known after a skip. Each box takes at most 100
// characters.
class StatisticsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit StatisticsDialog(QWidget* parent = nullptr);

    // The fields as last taken from the controls.
    StatisticsAnswers answers() const;
    bool doNotAskAgain() const { return doNotAsk_; }

  protected:
    // Each opening sets the two texts and shows the fields in the controls; a restore from
    // minimised is no opening.
    void showEvent(QShowEvent* event) override;

  private:
    void takeFields();

    QString helicopter_;
    QString servo_;
    QString email_;
    bool doNotAsk_ = false;

    QLabel* intro_;
    QLabel* emailNote_;
    QLabel* serialNote_;
    QLineEdit* helicopterEdit_;
    QLineEdit* servoEdit_;
    QLineEdit* emailEdit_;
    QCheckBox* doNotAskBox_;
    QPushButton* skipButton_;
};

// The offer of `dialog`, modally, and how the pilot closed it.
PilotChoice askStatistics(StatisticsDialog& dialog);

// The upload of `line`, shown as it goes in a progress window with Cancel over `window`; its
// status lines go to `hiddenList` as well.
Submission uploadStatistics(QWidget& window, StatusLog& hiddenList, const std::string& line);

}  // namespace vn340

#pragma once

#include <QDialog>

#include <QFont>
#include <QString>
#include <deque>

class QCheckBox;
class QLabel;
class QPushButton;
class QTextEdit;

namespace vn340 {

class ProfileStore;

// The layouts below are designed in dialog units of "MS Sans Serif" 8 pt; at 96 dpi one unit is
// 3/2 px across and 13/8 px down.
constexpr int dialogUnitsToPixelsX(int x) {
    return x * 3 / 2;
}
constexpr int dialogUnitsToPixelsY(int y) {
    return y * 13 / 8;
}

// "MS Sans Serif" 8 pt, the font the layouts are designed in. Linux has no such font; its
// nearest stand-in is one with Arial's metrics, which keeps every caption inside the width it
// was given, where the wider default sans face would cut "Vexa-Plug port" short.
QFont dialogFont();

// One OK button under a centred, wrapping message. Every message of the program goes through
// this dialog; the caller sets the text, runs exec() and continues once the pilot closed it.
// "OK" and Enter accept, Escape rejects; nobody looks at the difference.
class MessageDialog : public QDialog {
    Q_OBJECT
  public:
    explicit MessageDialog(QWidget* parent = nullptr);

    // A message longer than the design's label makes the dialog taller, never cut short.
    void setMessage(const QString& text);
    const QString& message() const { return message_; }

    // Shows `text` modally and returns once the pilot has answered it. A message that comes
    // while another is open (from a timer or a device event in the open one's event loop)
    // never replaces the open one's text: it waits its turn, is shown as soon as the open one
    // has been answered, and the call returns at once.
    void run(const QString& text);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QString message_;
    QLabel* label_;
    QPushButton* okButton_;
    bool running_ = false;
    std::deque<QString> waiting_;
};

// The Detect wizard's steps. "Continue" (also Enter) and "Abort" both accept and set the
// choice; Escape rejects and leaves the choice as it was, so read it only after Accepted.
class ContinueAbortPrompt : public QDialog {
    Q_OBJECT
  public:
    enum Choice { Continue = 1, Abort = 2 };

    explicit ContinueAbortPrompt(QWidget* parent = nullptr);

    void setPrompt(const QString& text);
    const QString& prompt() const { return prompt_; }
    int choice() const { return choice_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QString prompt_;
    int choice_ = Continue;
    QLabel* label_;
    QPushButton* continueButton_;
};

// The question before a settings file is overwritten. "Overwrite" (also Enter) accepts with
// choice Overwrite; "Cancel", Escape and closing reject with choice Cancel.
class OverwritePrompt : public QDialog {
    Q_OBJECT
  public:
    enum Choice { Overwrite = 0, Cancel = 1 };

    explicit OverwritePrompt(QWidget* parent = nullptr);

    void setQuestion(const QString& text);
    const QString& question() const { return question_; }
    int choice() const { return choice_; }

    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QString question_;
    int choice_ = Overwrite;
    QTextEdit* edit_;
    QPushButton* overwriteButton_;
};

// The warning agreed to before a configuration is stored into the gyro. The check box is only
// taken into dontShowAgain() when "I agree" closes the dialog; each time the dialog opens, the
// box shows that remembered state again. "Cancel", Escape and the close box change nothing.
class SafetyWarningDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SafetyWarningDialog(QWidget* parent = nullptr);

    bool dontShowAgain() const { return dontShowAgain_; }
    void setDontShowAgain(bool flag) { dontShowAgain_ = flag; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool dontShowAgain_ = false;
    QCheckBox* checkBox_;
    QPushButton* agreeButton_;
};

}  // namespace vn340

#pragma once

// Shared by the main window's tests: a window with made-up folders, a driver that answers the
// modal dialogs the window opens by pressing their buttons, and small helpers to type and read.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"

namespace vn340::testing {

// A window whose hand-over points are watched: the sequences only record that they were asked
// for, and a port can be pretended open.
class TestDialog : public ConfigDialog {
  public:
    TestDialog(ConfigDialogPaths paths, bool portOpen)
        : ConfigDialog(std::move(paths)), portOpen_(portOpen) {}

    int readStarts = 0;
    int writeStarts = 0;
    int adapterCloses = 0;
    int highEndpointAtWrite = 0;
    std::function<void()> onRead;

  protected:
    void fillPortSelectorAtStartup() override {
        ConfigDialog::fillPortSelectorAtStartup();
        if (portOpen_)
            setGyroButtonsEnabled(true);
    }
    void startReadSequence() override {
        ++readStarts;
        if (onRead)
            onRead();
    }
    void startWriteSequence() override {
        ++writeStarts;
        highEndpointAtWrite = model().highEndpoint;
    }
    void closeAdapter() override { ++adapterCloses; }

  private:
    bool portOpen_;
};

// Answers each modal dialog the window opens, in turn. Every message shown is recorded; a
// dialog with no answer left is rejected and recorded as unexpected, so a test never hangs.
class ModalDriver : public QObject {
  public:
    using Answer = std::function<void(QDialog&)>;

    explicit ModalDriver(QWidget* window) : window_(window) {
        poll_.setInterval(5);
        connect(&poll_, &QTimer::timeout, this, [this] { tick(); });
        poll_.start();
    }

    void then(Answer answer) { answers_.push_back(std::move(answer)); }
    void thenPress(const QString& buttonText) {
        then([buttonText](QDialog& dialog) { pressButton(dialog, buttonText); });
    }
    void thenKey(Qt::Key key) {
        then([key](QDialog& dialog) {
            QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
            QTest::keyClick(target, key);
        });
    }

    static void pressButton(QDialog& dialog, const QString& text) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == text && button->isVisible()) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
        dialog.reject();
    }

    const std::vector<QString>& messages() const { return messages_; }
    int unexpected() const { return unexpected_; }
    bool done() const { return answers_.empty(); }

  private:
    void tick() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == window_ || !dialog->isVisible() || busy_)
            return;
        busy_ = true;
        if (auto* message = qobject_cast<MessageDialog*>(dialog))
            messages_.push_back(message->message());
        if (answers_.empty()) {
            ++unexpected_;
            dialog->reject();
        } else {
            Answer answer = std::move(answers_.front());
            answers_.pop_front();
            answer(*dialog);
        }
        busy_ = false;
    }

    QWidget* window_;
    QTimer poll_;
    std::deque<Answer> answers_;
    std::vector<QString> messages_;
    int unexpected_ = 0;
    bool busy_ = false;
};

class ConfigDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(programDir_.isValid());
        ASSERT_TRUE(configDir_.isValid());
    }

    // Writes the preferences file before the window starts.
    void writePreferences(const QByteArray& bytes) {
        QFile file(preferencesPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The made-up folders, no serial port and no D2XX library: nothing of this computer's own.
    ConfigDialogPaths paths() const {
        ConfigDialogPaths made;
        made.programFolder = programFolder().toStdString();
        made.configHome = configDir_.path().toStdString();
        made.sysClassTty = programDir_.filePath("no-tty-class").toStdString();
        made.deviceFolder = programDir_.filePath("no-dev/").toStdString();
        made.d2xxLibrary = programDir_.filePath("no-libftd2xx.so").toStdString();
        return made;
    }

    TestDialog& start(bool portOpen = false) {
        dialog_ = std::make_unique<TestDialog>(paths(), portOpen);
        driver_ = std::make_unique<ModalDriver>(dialog_.get());
        dialog_->show();
        dialog_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        return *dialog_;
    }

    QString programFolder() const { return programDir_.path(); }
    QString preferencesPath() const { return programDir_.filePath("TarvelRCGyro.ini"); }
    QByteArray preferencesBytes() const {
        QFile file(preferencesPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    template <typename T = QWidget>
    T* control(int id) const {
        return qobject_cast<T*>(dialog_->control(id));
    }
    QString text(int id) const { return control<QLineEdit>(id)->text(); }
    QString choice(int id) const { return control<QComboBox>(id)->currentText(); }
    bool isDown(int id) const { return control<QPushButton>(id)->isChecked(); }

    void click(int id) { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }

    // The pilot's way: focus the box, replace its text, leave it with Tab.
    void typeAndTab(int id, const QString& value) {
        typeInto(id, value);
        QTest::keyClick(control<QLineEdit>(id), Qt::Key_Tab);
    }
    void typeInto(int id, const QString& value) {
        auto* box = control<QLineEdit>(id);
        box->setFocus(Qt::MouseFocusReason);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, value);
    }

    // Picks an entry as the pilot does with the keyboard, which reports it as the pilot's choice.
    void pick(int id, int position) {
        auto* list = control<QComboBox>(id);
        list->setFocus(Qt::MouseFocusReason);
        ASSERT_GT(position, 0);
        list->setCurrentIndex(position - 1);
        QTest::keyClick(list, Qt::Key_Down);
        ASSERT_EQ(list->currentIndex(), position);
    }

    ModalDriver& driver() { return *driver_; }
    TestDialog& dialog() { return *dialog_; }

    QTemporaryDir programDir_;
    QTemporaryDir configDir_;
    std::unique_ptr<TestDialog> dialog_;
    std::unique_ptr<ModalDriver> driver_;

    void TearDown() override {
        driver_.reset();
        dialog_.reset();
    }
};

}  // namespace vn340::testing

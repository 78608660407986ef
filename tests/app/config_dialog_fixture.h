#pragma once

// Shared by the main window's tests: a window with made-up folders and, behind "USB", the
// simulated adapter with its gyro; a driver that answers the modal dialogs the window opens by
// pressing their buttons; and small helpers to type and read.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"
#include "app/upload_progress_dialog.h"
#include "config/settings_codec.h"
#include "config_dialog_test_access.h"
#include "desktop/desktop_platform.h"
#include "eventually.h"
#include "session/platform.h"
#include "support/virtual_platform.h"
#include "ui/help_tip.h"

#ifndef VN340_SIM_D2XX
#error "the window's tests are given the simulated D2XX library as VN340_SIM_D2XX"
#endif

namespace vn340::testing {

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
    // The upload's progress window asks nothing and is left alone, unless a test answers it.
    void duringUpload(Answer answer) { uploadAnswers_.push_back(std::move(answer)); }
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
    bool done() const { return answers_.empty() && uploadAnswers_.empty(); }

  private:
    void tick() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog == window_ || !dialog->isVisible() || busy_) {
            return;
        }
        if (qobject_cast<UploadProgressDialog*>(dialog) != nullptr) {
            if (!uploadAnswers_.empty()) {
                busy_ = true;
                Answer answer = std::move(uploadAnswers_.front());
                uploadAnswers_.pop_front();
                answer(*dialog);
                busy_ = false;
            }
            return;
        }
        busy_ = true;
        if (auto* message = qobject_cast<MessageDialog*>(dialog)) {
            messages_.push_back(message->message());
        }
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
    std::deque<Answer> uploadAnswers_;
    std::vector<QString> messages_;
    int unexpected_ = 0;
    bool busy_ = false;
};

class ConfigDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(programDir_.isValid());
        ASSERT_TRUE(configDir_.isValid());
        // The gyro behind the simulated adapter answers at once, not at the line's pace.
        qputenv("VN340_SIM_OPTIONS", "--no-pace");
    }

    // Writes the preferences file before the window starts.
    void writePreferences(const QByteArray& bytes) {
        QFile file(preferencesPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // The made-up folders, no serial port, and the simulated adapter as "USB": nothing of this
    // computer's own. The adapter is opened when the preferences choose "USB".
    ProgramPaths paths() const {
        ProgramPaths made;
        made.programFolder = programFolder().toStdString();
        made.configHome = configDir_.path().toStdString();
        made.sysClassTty = programDir_.filePath("no-tty-class").toStdString();
        made.deviceFolder = programDir_.filePath("no-dev/").toStdString();
        made.d2xxLibrary = VN340_SIM_D2XX;
        return made;
    }

    ConfigDialog& start() { return start(paths()); }
    ConfigDialog& start(const ProgramPaths& made) {
        // The window before the platform it stands on.
        closeWindow();
        platform_ = std::make_unique<DesktopPlatform>(made);
        dialog_ = std::make_unique<ConfigDialog>(*platform_, made);
        driver_ = std::make_unique<ModalDriver>(dialog_.get());
        dialog_->show();
        dialog_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        return *dialog_;
    }
    // The window on a virtual clock, with its files in memory: its delays (a notice's time, a
    // tip's) run when the test advances the clock.
    ConfigDialog& startOnVirtualClock() {
        closeWindow();
        virtualPlatform_ = std::make_unique<VirtualPlatform>();
        dialog_ = std::make_unique<ConfigDialog>(*virtualPlatform_, paths());
        driver_ = std::make_unique<ModalDriver>(dialog_.get());
        dialog_->show();
        dialog_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        return *dialog_;
    }
    void runFor(std::chrono::milliseconds span) {
        VirtualClock& clock = virtualPlatform_->clock;
        clock.runUntil(clock.now() + span.count() * kMs);
    }
    // The window with the simulated gyro behind "USB", as a pilot who chose it last time
    // starts it; `warning` is the "WARNING" preference.
    ConfigDialog& startWithGyro(const char* warning = "0") {
        writePreferences(QByteArray("[Settings]\r\nCOM PORT=USB\r\nWARNING=") + warning + "\r\n");
        return startOnTheAdapter(paths());
    }
    // The same, the safety warning agreed to long ago and the history kept in historyFolder();
    // `more` are more lines of the preferences.
    ConfigDialog& startWithHistory(const char* more = "") {
        writePreferences(QByteArray("[Settings]\r\nCOM PORT=USB\r\nWARNING=1\r\n") + more);
        ProgramPaths made = paths();
        made.historyFolder = historyFolder();
        return startOnTheAdapter(made);
    }
    ConfigDialog& startOnTheAdapter(const ProgramPaths& made) {
        ConfigDialog& window = start(made);
        EXPECT_TRUE(control(Control::ReadFromGyro)->isEnabled())
            << "the simulated adapter did not open";
        return window;
    }
    std::string historyFolder() const { return configDir_.filePath("history").toStdString(); }

    // A settings file as "Save to file" writes it, of the factory settings but the high
    // endpoint; its folder is made if need be.
    static QString settingsFile(const QString& path, int highEndpoint) {
        GyroConfig config;
        loadDefaults(config);
        config.highEndpoint = highEndpoint;
        QDir().mkpath(QFileInfo(path).path());
        std::ofstream(path.toStdString(), std::ios::binary) << encodeSettingsFile("", config, {});
        return path;
    }

    QString programFolder() const { return programDir_.path(); }
    QString preferencesPath() const { return programDir_.filePath("TarvelRCGyro.ini"); }
    QByteArray preferencesBytes() const { return fileBytes(preferencesPath()); }
    static QByteArray fileBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A control found as assistive technology and the black-box checks find it, by its name.
    template <typename T = QWidget>
    T* control(Control id) const {
        return dialog_->findChild<T*>(QStringLiteral("idc%1").arg(controlId(id)));
    }
    QString text(Control id) const { return control<QLineEdit>(id)->text(); }
    QString choice(Control id) const { return control<QComboBox>(id)->currentText(); }
    // What a drop-down list offers, in order.
    QStringList entriesOf(Control id) const {
        QStringList entries;
        for (int row = 0; row < control<QComboBox>(id)->count(); ++row) {
            entries << control<QComboBox>(id)->itemText(row);
        }
        return entries;
    }
    bool isDown(Control id) const { return control<QPushButton>(id)->isChecked(); }

    void click(Control id) { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }

    // The pilot's way: focus the box, replace its text, leave it with Tab.
    void typeAndTab(Control id, const QString& value) {
        typeInto(id, value);
        QTest::keyClick(control<QLineEdit>(id), Qt::Key_Tab);
    }
    void typeInto(Control id, const QString& value) {
        auto* box = control<QLineEdit>(id);
        box->setFocus(Qt::MouseFocusReason);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, value);
    }

    // Picks an entry as the pilot does with the keyboard, which reports it as the pilot's choice.
    void pick(Control id, int position) {
        auto* list = control<QComboBox>(id);
        list->setFocus(Qt::MouseFocusReason);
        ASSERT_GT(position, 0);
        list->setCurrentIndex(position - 1);
        QTest::keyClick(list, Qt::Key_Down);
        ASSERT_EQ(list->currentIndex(), position);
    }

    // The engine idle again after whatever the last action started.
    ::testing::AssertionResult sequenceEnds(std::chrono::milliseconds timeout = kSequenceWait) {
        return eventually([this] { return access().controller().engine().idle(); }, timeout);
    }
    QString status() const { return text(Control::StatusLine); }

    // The window's help tip, which also shows the notice beside a corrected box.
    HelpTip& tip() const { return *dialog_->findChild<HelpTip*>(); }
    bool tipShown() const { return tip().Window()->isVisible(); }
    // What the tip says, as a screen reader reads it.
    QString tipText() const { return tip().Window()->accessibleDescription(); }
    // The pointer moving over `position` of the window, sent straight to it: X delivers real
    // pointer moves whenever it likes.
    void movePointer(QPoint position) {
        QMouseEvent move(QEvent::MouseMove, position, dialog_->mapToGlobal(position), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(dialog_.get(), &move);
    }
    ::testing::AssertionResult statusBecomes(const QString& expected,
                                             std::chrono::milliseconds timeout = kSequenceWait) {
        if (eventually([&] { return status() == expected; }, timeout)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the status line reads \"" << status().toStdString() << "\"";
    }

    ModalDriver& driver() { return *driver_; }
    ConfigDialog& dialog() { return *dialog_; }
    ConfigDialogTestAccess access() const { return ConfigDialogTestAccess(*dialog_); }
    const GyroConfig& model() const { return access().controller().model(); }

    static constexpr std::chrono::milliseconds kSequenceWait{20000};

    QTemporaryDir programDir_;
    QTemporaryDir configDir_;
    std::unique_ptr<DesktopPlatform> platform_;
    std::unique_ptr<VirtualPlatform> virtualPlatform_;
    std::unique_ptr<ConfigDialog> dialog_;
    std::unique_ptr<ModalDriver> driver_;

    void closeWindow() {
        driver_.reset();
        dialog_.reset();
        platform_.reset();
        virtualPlatform_.reset();
    }
    void TearDown() override {
        closeWindow();
        qunsetenv("VN340_SIM_OPTIONS");
    }
};

// The window as it starts on the made-up folders, with no adapter.
class WindowTest : public ConfigDialogTest {
  protected:
    void SetUp() override {
        ConfigDialogTest::SetUp();
        start();
    }
};

}  // namespace vn340::testing

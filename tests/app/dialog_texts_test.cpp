// No text of any dialog is cut or drawn over another, with the font that stands in for the one
// the dialogs were designed in, for the longest texts the program shows in them.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>

#include <string>
#include <vector>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"
#include "app/statistics_dialog.h"
#include "app/upload_progress_dialog.h"
#include "config/settings_file.h"
#include "desktop/desktop_platform.h"
#include "link/port_selection.h"
#include "link/usb_adapter.h"
#include "protocol/sequence_engine.h"
#include "session/platform.h"

namespace vn340 {
namespace {

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The room a widget's text needs, beside the room it has.
struct Need {
    QSize needed;
    QSize has;
};

Need roomOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (label->wordWrap()) {
            return {QSize(0, label->heightForWidth(label->width())), label->size()};
        }
        return {label->sizeHint(), label->size()};
    }
    if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
        QTextDocument* document = edit->document();
        document->setTextWidth(edit->viewport()->width());
        return {document->size().toSize(), edit->viewport()->size()};
    }
    auto* button = qobject_cast<QAbstractButton*>(widget);
    // A push button draws its caption centred on its face; a check box beside its mark.
    const int textWidth = button->fontMetrics().horizontalAdvance(button->text());
    return {QSize(textWidth, button->fontMetrics().height()), button->contentsRect().size()};
}

std::vector<QWidget*> textWidgets(QDialog& dialog) {
    std::vector<QWidget*> widgets;
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        const bool text = qobject_cast<QLabel*>(widget) || qobject_cast<QTextEdit*>(widget) ||
                          qobject_cast<QAbstractButton*>(widget);
        if (text && widget->isVisibleTo(&dialog)) {
            widgets.push_back(widget);
        }
    }
    return widgets;
}

void expectTextsFit(QDialog& dialog, const std::string& what) {
    SCOPED_TRACE(what);
    dialog.show();
    QApplication::processEvents();
    const std::vector<QWidget*> widgets = textWidgets(dialog);
    for (QWidget* widget : widgets) {
        const Need room = roomOf(widget);
        EXPECT_LE(room.needed.width(), room.has.width()) << widget->objectName().toStdString();
        EXPECT_LE(room.needed.height(), room.has.height()) << widget->objectName().toStdString();
        EXPECT_TRUE(dialog.rect().contains(widget->geometry()))
            << widget->objectName().toStdString();
    }
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        for (std::size_t j = i + 1; j < widgets.size(); ++j) {
            EXPECT_FALSE(widgets[i]->geometry().intersects(widgets[j]->geometry()))
                << widgets[i]->objectName().toStdString() << " overlaps "
                << widgets[j]->objectName().toStdString();
        }
    }
    dialog.hide();
}

TEST(DialogTexts, TheLongestMessagesFitTheMessageDialog) {
    const std::vector<std::string> messages = {
        std::string(sequence_text::kCommunicationFailure),
        std::string(kNewVersionRefusal),
        std::string(kMemoryMapRefusal),
        unexpectedValueMessage("AVCS mode rudder exponential"),
        saveFailedMessage("Cannot write \"/home/pilot/models/helicopters/trex-700-nitro.tsf\": "
                          "Permission denied."),
        std::string(port_text::kNotDetected),
        port_text::found("ttyUSB10"),
        port_text::permissionHelp("ttyUSB10", "dialout"),
        port_text::adapterGone("ttyUSB10"),
        std::string(usb_text::kBaudRefused),
        helpAndAboutMessage().toStdString(),
    };
    MessageDialog dialog;
    for (const std::string& message : messages) {
        dialog.setMessage(fromStd(message));
        expectTextsFit(dialog, message);
    }
}

TEST(DialogTexts, TheDetectPromptsFit) {
    ContinueAbortPrompt prompt;
    for (std::string_view text : {port_text::kUnplug, port_text::kPlugIn}) {
        prompt.setPrompt(fromStd(text));
        expectTextsFit(prompt, std::string(text));
    }
}

TEST(DialogTexts, TheOverwriteQuestionFits) {
    OverwritePrompt prompt;
    const std::string question = overwriteQuestion("trex-700-nitro-competition-setup.tsf");
    prompt.setQuestion(fromStd(question));
    expectTextsFit(prompt, question);
}

TEST(DialogTexts, TheMainWindowsCaptionsFit) {
    QTemporaryDir folder;
    ProgramPaths paths;
    paths.programFolder = folder.path().toStdString();
    paths.configHome = folder.path().toStdString();
    paths.sysClassTty = folder.filePath("no-tty").toStdString();
    paths.d2xxLibrary = folder.filePath("no-d2xx.so").toStdString();
    DesktopPlatform platform(paths);
    ConfigDialog window(platform, paths);
    expectTextsFit(window, "main window");
}

TEST(DialogTexts, TheSafetyWarningAndTheStatisticsOfferFit) {
    SafetyWarningDialog safety;
    expectTextsFit(safety, "safety warning");
    StatisticsDialog statistics;
    expectTextsFit(statistics, "statistics offer");
}

TEST(DialogTexts, TheUploadsStepsFit) {
    UploadProgressDialog dialog(nullptr);
    for (const char* step : {"Resolving name for www.tarvel-rc.example",
                             "Downloading lastest update 1048576 bytes (1024.0 Kb/s)",
                             "Error: Host www.tarvel-rc.example not found"}) {
        dialog.showStatus(QString::fromLatin1(step));
        expectTextsFit(dialog, step);
    }
}

}  // namespace
}  // namespace vn340

// Settings files through Qt's own file dialog: what the window asks of it and shows of it.

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPlainTextEdit>

#include "config_dialog_fixture.h"

namespace vn340::testing {
namespace {

struct FileDialogSeen {
    QString directory;
    QString proposedName;
    QString defaultSuffix;
    QStringList filters;
    bool save = false;
};

// Answers a file dialog by typing `name` and pressing its accept button, or cancels it when
// `name` is empty; records what the dialog offered.
ModalDriver::Answer chooseFile(const QString& name, FileDialogSeen* seen) {
    return [name, seen](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        auto* nameEdit = files->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(nameEdit, nullptr);
        if (seen != nullptr) {
            seen->directory = files->directory().absolutePath();
            seen->proposedName = nameEdit->text();
            seen->defaultSuffix = files->defaultSuffix();
            seen->filters = files->nameFilters();
            seen->save = files->acceptMode() == QFileDialog::AcceptSave;
        }
        if (name.isEmpty()) {
            ModalDriver::pressButton(dialog, "Cancel");
            return;
        }
        nameEdit->setText(name);
        auto* buttons = files->findChild<QDialogButtonBox*>("buttonBox");
        ASSERT_NE(buttons, nullptr);
        QPushButton* accept = nullptr;
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) {
                accept = qobject_cast<QPushButton*>(button);
            }
        }
        ASSERT_NE(accept, nullptr);
        QTest::mouseClick(accept, Qt::LeftButton);
    };
}

// Qt's own dialog offers what the program asks for, adds the suffix to a name typed without
// it, and cancelled gives nothing back; the comment box shows what the file brings.
TEST_F(WindowTest, SaveAndLoadThroughTheFileDialog) {
    driver().then(chooseFile("", nullptr));
    click(Control::SaveToFile);
    driver().then(chooseFile("", nullptr));
    click(Control::LoadFromFile);
    EXPECT_TRUE(driver().done());
    EXPECT_EQ(QDir(programFolder()).entryList({"*.tsf"}).size(), 0) << "cancelled";

    typeAndTab(Control::HighEndpoint, "120");
    control<QPlainTextEdit>(Control::UserComments)->setPlainText("Trex 450\nnew tail servo");
    FileDialogSeen saveSeen;
    driver().then(chooseFile("mine", &saveSeen));
    click(Control::SaveToFile);
    EXPECT_TRUE(driver().done());
    EXPECT_TRUE(saveSeen.save);
    EXPECT_EQ(saveSeen.directory, programFolder());
    EXPECT_EQ(saveSeen.proposedName, "vn340.tsf");
    EXPECT_EQ(saveSeen.defaultSuffix, "tsf");
    EXPECT_EQ(saveSeen.filters, QStringList{"Tarvel RC Settings File (*.tsf)"});
    const QString path = programDir_.filePath("mine.tsf");
    EXPECT_TRUE(fileBytes(path).contains("High endpoint=120\r\n"));

    click(Control::LoadDefaults);
    ASSERT_EQ(text(Control::HighEndpoint), "100");
    FileDialogSeen loadSeen;
    driver().then(chooseFile(path, &loadSeen));
    click(Control::LoadFromFile);
    EXPECT_TRUE(driver().done());
    EXPECT_FALSE(loadSeen.save);
    EXPECT_EQ(loadSeen.proposedName, "");
    EXPECT_EQ(text(Control::HighEndpoint), "120");
    EXPECT_EQ(control<QPlainTextEdit>(Control::UserComments)->toPlainText(),
              "Trex 450\nnew tail servo\n");
    EXPECT_EQ(driver().messages().size(), 0u);
}

TEST_F(WindowTest, SaveAfterTextThatIsNoNumberTakesTheRestoredValue) {
    // The click takes the focus from the box first; its check refuses the text and puts the
    // last valid value back, which the save then takes.
    control<QLineEdit>(Control::AvcsSensitivity)->setText("lots");
    driver().thenPress("OK");
    driver().then(chooseFile("", nullptr));
    click(Control::SaveToFile);
    EXPECT_TRUE(driver().done());
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_EQ(driver().messages()[0], "Please enter an integer.");
    EXPECT_EQ(text(Control::AvcsSensitivity), "100");
    EXPECT_EQ(driver().unexpected(), 0);
}

TEST_F(WindowTest, TheSaveTakesTheCommentLinesAsDisplayed) {
    auto* box = control<QPlainTextEdit>(Control::UserComments);
    QString longLine;
    for (int i = 0; i < 30; ++i) {
        longLine += QStringLiteral("word%1 ").arg(i);
    }
    box->setPlainText(longLine + "\n\nlast");
    GyroConfig taken = model();
    ASSERT_FALSE(access().screen().takeBoxes(taken));
    const std::optional<std::vector<std::string>> displayed =
        access().screen().commentDisplayLines(taken.userComments);
    ASSERT_TRUE(displayed);
    const std::vector<std::string>& lines = *displayed;
    ASSERT_GT(lines.size(), 3u);
    std::string joined;
    for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
        joined += lines[i];
    }
    EXPECT_EQ(joined, longLine.toStdString());
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines.back(), "last");
}

}  // namespace
}  // namespace vn340::testing

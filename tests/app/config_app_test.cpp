#include "app/config_app.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace vn340 {
namespace {

TEST(ConfigApp, IconIsDrawnAt16And32And48Pixels) {
    const QIcon icon = ConfigApp::applicationIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    for (int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        // A rounded square: the corners are (nearly, at 16 px) see-through, the middle solid.
        EXPECT_LT(qAlpha(image.pixel(0, 0)), 32);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }
}

TEST(ConfigApp, EveryWindowGetsTheIcon) {
    EXPECT_EQ(QApplication::windowIcon().availableSizes(),
              ConfigApp::applicationIcon().availableSizes());
}

// The program started as the run script starts it without a display: it paints its window,
// saves the screenshot, prints the path and ends with status 0. It runs from a folder of its
// own, where it keeps its preferences file.
TEST(ConfigApp, ProgramSavesAScreenshotOfItsWindowAndEnds) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath("vn340-config");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VN340_CONFIG_PROGRAM), program));
    const QString screenshot = dir.filePath("screenshot.png");

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VN340_SCREENSHOT", screenshot);
    process.setProcessEnvironment(environment);
    process.start(program, {});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(process.readAllStandardOutput(), QFile::encodeName(screenshot) + "\n");

    const QImage image(screenshot, "PNG");
    ASSERT_FALSE(image.isNull());
    // The main window is near the 644 x 484 of its design.
    EXPECT_GT(image.width(), 600);
    EXPECT_GT(image.height(), 400);
    EXPECT_TRUE(QFile::exists(dir.filePath("TarvelRCGyro.ini")));
}

TEST(ConfigApp, AScreenshotThatCannotBeSavedEndsWithFailure) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath("vn340-config");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VN340_CONFIG_PROGRAM), program));

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VN340_SCREENSHOT", dir.filePath("missing folder/screenshot.png"));
    process.setProcessEnvironment(environment);
    process.start(program, {});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    // The application object under test stands in for the test's QApplication.
    vn340::ConfigApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

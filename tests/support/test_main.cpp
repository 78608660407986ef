// The one main of the tests that run in Qt's event loop: the application object the test
// needs, then every test. With VN340_TEST_WIDGETS, widgets on a real (usually virtual) X
// display; otherwise the event loop alone, without a display.

#include <gtest/gtest.h>

#ifdef VN340_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// GoogleTest entry with a Qt application object, so that tests can use queued invocations,
// timers and serial ports. Tests that show widgets build with CORVANE_TEST_WIDGETS.
#include <gtest/gtest.h>

#ifdef CORVANE_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Every test program gets an offscreen QApplication, so widget tests need no display. Objects
// under test are handed a MessageRecorder (or a StderrNotifier), so no message box is ever shown.
int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

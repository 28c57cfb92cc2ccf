#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "core/notifier.h"

// Every test program gets an offscreen QApplication, so widget tests need no display. A message
// box that a test did not expect is printed, never shown modally (it would block the run).
int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    tesmira::SetMessageSink([](const std::string& text, tesmira::MessageIcon) {
        std::fprintf(stderr, "[message box] %s\n", text.c_str());
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Test main: offscreen Qt, the library's own application and screen objects, and a guard
// that fails a test and closes any modal window left open for a few seconds.
#include "untApplication.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);

    TApplication ownApp;
    TScreen ownScreen;
    Application = &ownApp;
    Screen = &ownScreen;

    QTimer guard;
    int modalTicks = 0;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        modalTicks = modal ? modalTicks + 1 : 0;
        if (modalTicks >= 3) {
            ADD_FAILURE() << "a modal window was left open: " << modal->metaObject()->className();
            modal->close();
            modalTicks = 0;
        }
    });
    guard.start(1000);

    const int rc = RUN_ALL_TESTS();
    Application = nullptr;
    Screen = nullptr;
    return rc;
}

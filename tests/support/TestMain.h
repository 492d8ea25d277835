#pragma once

#include "Sandbox.h"

#include <QApplication>
#include <QTest>

#include <memory>

// Every test program runs offscreen inside a sandbox of its own from its first line, so that
// not even the start-up of QApplication reads the real user's folders.
#define DUSKMERE_TEST_MAIN(TestClass)                                                              \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))                                         \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        const auto processSandbox = std::make_unique<Sandbox>();                                   \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#pragma once

#include "Sandbox.h"

#include <QApplication>
#include <QOperatingSystemVersion>
#include <QSettings>
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
        /* Qt keeps the first user settings folder it sees: pin it here, not in a test's own. */   \
        QSettings(QSettings::UserScope, QStringLiteral("QtProject")).sync();                       \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// For cases built on Unix matters: symbolic links, a Wine prefix, lnkinfo.
#define SKIP_ON_WINDOWS(reason)                                                                    \
    do {                                                                                           \
        if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)            \
            QSKIP(reason);                                                                         \
    } while (false)

#pragma once

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// A widget test's main: settings and the program directory go to a
// throw-away home, so that no test reads or leaves the user's own.
#define NUMLYRA_WIDGET_TEST_MAIN(TestClass)                                                                  \
    int main(int argc, char **argv)                                                                          \
    {                                                                                                        \
        QTemporaryDir home;                                                                                  \
        qputenv("HOME", home.path().toLocal8Bit());                                                          \
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());                \
        QStandardPaths::setTestModeEnabled(true);                                                            \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }

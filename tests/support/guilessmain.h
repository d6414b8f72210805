#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Like QTEST_GUILESS_MAIN, with the exchanges of the programs a test starts (and of the command
// line it runs in-process) recorded in a record of the test's own, never in the user's.
#define VEXAGRID_TEST_GUILESS_MAIN(TestObject)                                                     \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        const QTemporaryDir recordFolder;                                                          \
        if (!qEnvironmentVariableIsSet("VEXAGRID_RECORD"))                                         \
            qputenv("VEXAGRID_RECORD", QFile::encodeName(recordFolder.filePath("record.sqlite"))); \
        QCoreApplication app(argc, argv);                                                          \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

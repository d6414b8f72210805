#pragma once

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Like QTEST_MAIN, but the toolkit's own dialogs are used instead of the platform's
// native ones, which a test cannot answer, and the exchanges are recorded in a record of the
// test's own (unless VEXAGRID_RECORD names one), never in the user's.
#define VEXAGRID_TEST_MAIN(TestObject)                                                             \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);                                   \
        const QTemporaryDir recordFolder;                                                          \
        if (!qEnvironmentVariableIsSet("VEXAGRID_RECORD"))                                         \
            qputenv("VEXAGRID_RECORD", QFile::encodeName(recordFolder.filePath("record.sqlite"))); \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

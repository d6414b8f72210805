#pragma once

#include <QApplication>
#include <QTest>

// Like QTEST_MAIN, but the toolkit's own dialogs are used instead of the platform's
// native ones, which a test cannot answer.
#define VEXAGRID_TEST_MAIN(TestObject)                                                             \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);                                   \
        QApplication app(argc, argv);                                                              \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

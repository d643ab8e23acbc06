// The main of the tests that build windows: a QApplication instead of a QGuiApplication.
#include "support/TestHome.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QTemporaryDir home;
    if (!prepareTestHome(home))
        return 2;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillmere"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

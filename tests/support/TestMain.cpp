#include "support/TestHome.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Private folders first: the application object already reads some of them.
    QTemporaryDir home;
    if (!prepareTestHome(home))
        return 2;
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("quillmere"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

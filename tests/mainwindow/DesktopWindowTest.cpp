// Moving and raising a borderless window where the window may do it itself (the offscreen
// platform behaves as X11 here): it follows the mouse, and no Wayland token is left behind.
#include "mainwindow/DesktopWindow.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

TEST(DesktopWindow, OffWaylandTheWindowMovesAndRisesByItself)
{
    ASSERT_FALSE(DesktopWindow::compositorPlacesWindows())
        << qPrintable(QGuiApplication::platformName());
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(DesktopWindow::startSystemMove(window));

    window.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isMinimized(); }, 2000));
    qunsetenv("XDG_ACTIVATION_TOKEN");
    DesktopWindow::bringToFront(window, QStringLiteral("token-from-a-later-copy"));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"))
        << "a token meant for a Wayland compositor must not linger for child processes";
}

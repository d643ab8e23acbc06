// The real message boxes, offscreen: their caption and Qt's own button texts in Japanese, one
// box per distinct text at a time, and none once the program is asked to quit.
#include "mainwindow/MessageBoxPresenter.h"

#include "mainwindow/QtTranslation.h"
#include "mainwindow/QuitRequest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

int visibleBoxes()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += qobject_cast<QMessageBox *>(widget) && widget->isVisible();
    return count;
}

// Runs whileOpen once the first box is up (show() blocks until the box closes). The polling
// ends with scope at the latest.
void onceOpen(QObject &scope, const std::function<void(QMessageBox &)> &whileOpen)
{
    auto *poll = new QTimer(&scope);
    QObject::connect(poll, &QTimer::timeout, [poll, whileOpen] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            whileOpen(*box);
        }
    });
    poll->start(10);
}

TEST(MessageBoxPresenter, BoxHasTheTitleJapaneseButtonsAndOneBoxPerText)
{
    ASSERT_TRUE(installQtTranslation());
    QObject scope; // timers armed below end with the test
    MessageBoxPresenter presenter;
    const QString text = QStringLiteral("System Error:CODE[4608]");
    QString caption, abortText;
    int mostBoxes = 0;
    MessagePresenter::Button repeated = MessagePresenter::Ok;
    onceOpen(scope, [&](QMessageBox &box) {
        caption = box.windowTitle();
        abortText = box.button(QMessageBox::Abort)->text();
        // A second box of the same text would stack on the first: count and close it.
        QTimer::singleShot(300, &scope, [&] {
            mostBoxes = std::max(mostBoxes, visibleBoxes());
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (widget != &box && qobject_cast<QMessageBox *>(widget))
                    widget->close();
        });
        repeated = presenter.show(text, MessagePresenter::Icon::Error,
                                  MessagePresenter::Ok | MessagePresenter::Abort);
        mostBoxes = std::max(mostBoxes, visibleBoxes());
        box.button(QMessageBox::Ok)->click();
    });
    const MessagePresenter::Button chosen = presenter.show(
        text, MessagePresenter::Icon::Error, MessagePresenter::Ok | MessagePresenter::Abort);
    EXPECT_EQ(chosen, MessagePresenter::Ok);
    EXPECT_EQ(caption, QStringLiteral("Quillmere Audio Player"));
    EXPECT_EQ(abortText, QStringLiteral("中止"));
    EXPECT_EQ(mostBoxes, 1);
    EXPECT_EQ(repeated, MessagePresenter::Abort);
}

TEST(MessageBoxPresenter, QuitRequestClosesTheOpenBoxAsCancelledAndOpensNoMore)
{
    QObject scope;
    MessageBoxPresenter presenter;
    onceOpen(scope, [](QMessageBox &) { QuitRequest::request(); });
    const auto answer = presenter.show(QStringLiteral("question"), MessagePresenter::Icon::Question,
                                       MessagePresenter::Yes | MessagePresenter::No);
    EXPECT_EQ(answer, MessagePresenter::No);
    EXPECT_EQ(visibleBoxes(), 0);
    // Nothing may wait on a box now: this returns at once, or the test times out.
    EXPECT_EQ(presenter.show(QStringLiteral("later"), MessagePresenter::Icon::Error,
                             MessagePresenter::Ok | MessagePresenter::Cancel),
              MessagePresenter::Cancel);
    QuitRequest::reset();
}

} // namespace

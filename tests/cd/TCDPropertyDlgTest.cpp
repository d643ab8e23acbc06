// The track file-name dialog: its two skin buttons, no keyboard close, dragging.
#include "cd/TCDPropertyDlg.h"

#include "skin/TLxButtonMng.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class TCDPropertyDlgTest : public ::testing::Test {
protected:
    TCDPropertyDlg dialog;

    void SetUp() override
    {
        dialog.EditFileName->setText(QStringLiteral("Track 01.wav"));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QPoint centre(const char *name) const
    {
        const TLxButton *b = dialog.ButtonMng().Find(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b ? QPoint(b->CenterX(), b->CenterY()) : QPoint();
    }
    void click(QPoint at)
    {
        QTest::mousePress(dialog.PaintBox1, Qt::LeftButton, {}, at);
        QTest::mouseRelease(dialog.PaintBox1, Qt::LeftButton, {}, at);
    }
};

TEST_F(TCDPropertyDlgTest, OkAndCancelAreTheOnlyWaysOutAndTheNameIsNotPreselected)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ダイアログ"));
    EXPECT_EQ(dialog.size(), QSize(307, 88));
    EXPECT_EQ(dialog.focusWidget(), dialog.EditFileName);
    EXPECT_FALSE(dialog.EditFileName->hasSelectedText());
    EXPECT_TRUE(dialog.EditFileLength->isReadOnly());
    EXPECT_EQ(dialog.ShowHintHandler(centre("BUTTON_OK")).text, QStringLiteral("登録"));

    QTest::keyClick(dialog.EditFileName, Qt::Key_Return);
    QTest::keyClick(dialog.EditFileName, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());

    dialog.EditFileName->clear();
    click(centre("BUTTON_OK"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), TCDPropertyDlg::ResultOk);
    EXPECT_EQ(dialog.EditFileName->text(), QString());

    dialog.show();
    click(centre("BUTTON_CANCEL"));
    EXPECT_EQ(dialog.result(), TCDPropertyDlg::ResultCancel);
}

TEST_F(TCDPropertyDlgTest, DraggingTheBackgroundMovesTheDialogButAButtonDoesNot)
{
    const QPoint start = dialog.pos();
    const QPoint bare(150, 45);
    dialog.PaintBox1MouseDown(bare);
    dialog.PaintBox1MouseMove(Qt::LeftButton, bare + QPoint(12, 7));
    dialog.PaintBox1MouseUp(bare + QPoint(12, 7));
    EXPECT_EQ(dialog.pos(), start + QPoint(12, 7));
    dialog.PaintBox1MouseDown(centre("BUTTON_CANCEL"));
    EXPECT_FALSE(dialog.Dragging);
    dialog.PaintBox1MouseMove(Qt::LeftButton, centre("BUTTON_CANCEL") + QPoint(30, 30));
    EXPECT_EQ(dialog.pos(), start + QPoint(12, 7));
}

} // namespace

// The property dialog on the offscreen platform, over the skin drawn into the build tree.
#include "propertydialog/TPlayPropertyDlg.h"

#include "skin/TLxButtonMng.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

constexpr qint64 BytesPerSecond = 176400;
const QString Entry = QStringLiteral("/music/練習/a.wav");
// Skin background: below the information fields, away from every button.
const QPoint Bare(250, 84);

class TPlayPropertyDlgTest : public ::testing::Test {
protected:
    TPlayPropertyDlg dialog;
    QStringList presets; // what each save dialog started from
    QString choice;      // what the save dialog hands back; empty = cancelled

    void SetUp() override
    {
        dialog.chooseSaveFile = [this](QWidget *parent, const QString &preset) {
            EXPECT_EQ(parent, &dialog);
            presets << preset;
            return choice;
        };
        dialog.fill(Entry, BytesPerSecond * 125, 3, QStringLiteral("MPEG layer 3 [2ch]"));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    QWidget *surface() const { return dialog.PaintBox1; }
    QPoint centre(const char *name) const
    {
        const TLxButton *button = dialog.ButtonMng().Find(QString::fromLatin1(name));
        EXPECT_NE(button, nullptr) << name;
        return button ? QPoint(button->CenterX(), button->CenterY()) : QPoint();
    }
    void press(QPoint at) { QTest::mousePress(surface(), Qt::LeftButton, {}, at); }
    void release(QPoint at) { QTest::mouseRelease(surface(), Qt::LeftButton, {}, at); }
    void moveTo(QPoint at)
    {
        QMouseEvent move(QEvent::MouseMove, at, surface()->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(surface(), &move);
    }
    void click(const char *name)
    {
        press(centre(name));
        release(centre(name));
    }
    QPoint screenCentre() const { return dialog.screen()->geometry().center(); }
};

TEST_F(TPlayPropertyDlgTest, ShowsTheEntryInAFramelessWindowCentredOnTheScreen)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("プロパティ"));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    ASSERT_EQ(dialog.devicePixelRatioF(), 1.0);
    EXPECT_EQ(dialog.size(), QSize(500, 89));
    EXPECT_LE((dialog.geometry().center() - screenCentre()).manhattanLength(), 1);

    EXPECT_EQ(dialog.EditFilePath->text(), Entry);
    EXPECT_EQ(dialog.EditOldFilePath->text(), Entry);
    EXPECT_TRUE(dialog.EditOldFilePath->isHidden());
    EXPECT_EQ(dialog.SaveFileName(), Entry);
    EXPECT_EQ(dialog.EditFileLength->text(), QStringLiteral(" 時間: 02:05"));
    EXPECT_EQ(dialog.EditABCount->text(), QStringLiteral(" AB区間数: 3"));
    EXPECT_EQ(dialog.EditMisc->text(), QStringLiteral(" MPEG layer 3 [2ch]"));
    EXPECT_EQ(dialog.focusWidget(), dialog.EditFilePath);
    EXPECT_FALSE(dialog.EditFilePath->hasSelectedText());
}

TEST_F(TPlayPropertyDlgTest, EachButtonHasItsHint)
{
    const std::pair<const char *, QString> hints[] = {
        {"BUTTON_CANCEL", QStringLiteral("キャンセル")},
        {"BUTTON_OK", QStringLiteral("登録")},
        {"BUTTON_SAVE", QStringLiteral("ファイル名変更（パス変更可）")},
    };
    for (const auto &[name, text] : hints) {
        EXPECT_EQ(dialog.ShowHintHandler(centre(name)).text, text) << name;
        // The hint the user sees: the paint box answers the tool-tip request.
        QHelpEvent request(QEvent::ToolTip, centre(name), surface()->mapToGlobal(centre(name)));
        QApplication::sendEvent(surface(), &request);
        EXPECT_EQ(QToolTip::text(), text) << name;
    }
    EXPECT_TRUE(dialog.ShowHintHandler(Bare).text.isEmpty());
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase), QColor(0, 0xff, 0xff));
}

TEST_F(TPlayPropertyDlgTest, DraggingTheSkinMovesTheWindowAndShowingCentresItAgain)
{
    const QPoint start = dialog.pos();
    press(Bare);
    EXPECT_TRUE(dialog.Dragging);
    moveTo(Bare + QPoint(30, 20));
    EXPECT_EQ(dialog.pos(), start + QPoint(30, 20));
    // The paint box went along: the next step counts from the grab point again.
    moveTo(Bare + QPoint(-5, 4));
    EXPECT_EQ(dialog.pos(), start + QPoint(25, 24));
    release(Bare);
    EXPECT_FALSE(dialog.Dragging);
    moveTo(Bare + QPoint(40, 40));
    EXPECT_EQ(dialog.pos(), start + QPoint(25, 24));
    EXPECT_TRUE(dialog.isVisible());

    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.pos(), start);
}

TEST_F(TPlayPropertyDlgTest, AButtonPressedNeverDragsAndFiresWhereverReleased)
{
    const QPoint start = dialog.pos();
    press(centre("BUTTON_OK"));
    EXPECT_FALSE(dialog.Dragging);
    moveTo(Bare);
    EXPECT_EQ(dialog.pos(), start);
    release(Bare);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 1);
}

TEST_F(TPlayPropertyDlgTest, SaveShowsTheChosenPathUntilCancelled)
{
    click("BUTTON_SAVE"); // cancelled
    EXPECT_EQ(dialog.EditFilePath->text(), Entry);
    choice = QStringLiteral("/elsewhere/b.wav");
    click("BUTTON_SAVE");
    EXPECT_EQ(presets, QStringList({Entry, Entry}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.EditFilePath->text(), choice);
    EXPECT_EQ(dialog.EditOldFilePath->text(), Entry);
    EXPECT_EQ(dialog.SaveFileName(), choice);

    // The next save dialog starts from the new choice; cancelling it keeps that choice.
    choice.clear();
    click("BUTTON_SAVE");
    EXPECT_EQ(presets.last(), QStringLiteral("/elsewhere/b.wav"));
    EXPECT_EQ(dialog.EditFilePath->text(), QStringLiteral("/elsewhere/b.wav"));

    click("BUTTON_CANCEL");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 2);
    EXPECT_EQ(dialog.EditFilePath->text(), QStringLiteral("/elsewhere/b.wav"));
    EXPECT_EQ(dialog.EditOldFilePath->text(), Entry);
}

TEST_F(TPlayPropertyDlgTest, ChoosingTheSamePathThenOkLeavesThePathsEqual)
{
    choice = Entry;
    click("BUTTON_SAVE");
    click("BUTTON_OK");
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(dialog.EditFilePath->text(), dialog.EditOldFilePath->text());
}

TEST_F(TPlayPropertyDlgTest, ModalRunsEndWithOneForOkAndTwoForCancelEscapeOrClose)
{
    dialog.hide();
    QTimer::singleShot(0, &dialog, [this] { click("BUTTON_OK"); });
    EXPECT_EQ(dialog.exec(), 1);

    // Reused for another entry: Escape reaches the dialog through the focused path field.
    dialog.fill(QStringLiteral("/music/b.ogg"), 0, 0, QStringLiteral("Ogg Vorbis"));
    QTimer::singleShot(0, &dialog, [this] {
        EXPECT_EQ(dialog.EditFilePath->text(), QStringLiteral("/music/b.ogg"));
        QTest::keyClick(dialog.EditFilePath, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.exec(), 2);

    QTimer::singleShot(0, &dialog, [this] { dialog.close(); });
    EXPECT_EQ(dialog.exec(), 2);
}

TEST_F(TPlayPropertyDlgTest, FieldsSitOnTheSkin)
{
    dialog.fill(QStringLiteral("/home/user/Music/練習曲/01 Etude in E minor.mp3"),
                BytesPerSecond * (63 * 60 + 7), 4, QStringLiteral("MPEG layer 3 [2ch]"));
    const QImage shown = dialog.grab().toImage();
    const QByteArray screenshot = qgetenv("QUILLMERE_PROPERTY_SCREENSHOT");
    if (!screenshot.isEmpty())
        shown.save(QString::fromLocal8Bit(screenshot));
    ASSERT_EQ(shown.size(), QSize(500, 89));
    const QImage &skin = dialog.ButtonMng().GetBackground();
    // Where no control lies, and on the buttons at rest, the window shows the skin as drawn.
    for (const QPoint at : {Bare, QPoint(3, 60), centre("BUTTON_OK"), centre("BUTTON_SAVE")})
        EXPECT_EQ(shown.pixelColor(at), skin.pixelColor(at)) << at.x() << "," << at.y();
    // The path field is white past its text; the information fields have the button face.
    EXPECT_EQ(shown.pixelColor(445, 24), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(445, 66), dialog.palette().color(QPalette::Button));
    EXPECT_EQ(dialog.EditFileLength->text(), QStringLiteral(" 時間: 63:07"));
}

} // namespace

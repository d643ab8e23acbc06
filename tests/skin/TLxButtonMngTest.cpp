#include "skin/TLxButtonMng.h"

#include "SkinTestImages.h"
#include "common/PaintSurface.h"
#include "skin/SkinImage.h"
#include "skin/TLxToggleButton.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QColor UpColour(0, 0, 128), DownColour(200, 0, 0), OnUpColour(0, 200, 0),
    OnDownColour(200, 200, 0), Blank(1, 2, 3);

TEST(TLxButton, CopyImageIncludesTheRightColumnAndBottomRow)
{
    QImage source = skintest::filled({600, 100}, Qt::white);
    TLxButton button;
    button.SetImageRect(459, 3, 37, 37);
    const TLxImageRect r = button.GetImageRect();
    EXPECT_EQ(r.Right, 496);
    EXPECT_EQ(r.Bottom, 40);
    QImage canvas = skintest::filled({100, 100}, Blank);
    button.CopyImage(canvas, source, 10, 20);
    int copied = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            copied += canvas.pixelColor(x, y) == Qt::white;
    EXPECT_EQ(copied, 38 * 38);
    EXPECT_EQ(canvas.pixelColor(10 + 37, 20 + 37), Qt::white);
    EXPECT_EQ(canvas.pixelColor(10 + 38, 20), Blank);
    EXPECT_EQ(canvas.pixelColor(10, 20 + 38), Blank);
    EXPECT_EQ(canvas.pixelColor(9, 20), Blank);
}

class ButtonMngTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ImagePaintSurface box{QSize(200, 100)};
    TLxButtonMng mng;
    TLxButton *first = nullptr;
    TLxToggleButton *second = nullptr;

    QString file(const char *name) { return dir.filePath(QString::fromLatin1(name)); }

    void SetUp() override
    {
        const QSize size(200, 100);
        skintest::writeBmp(file("up.DAT"), skintest::filled(size, UpColour));
        skintest::writeBmp(file("down.DAT"), skintest::filled(size, DownColour));
        skintest::writeBmp(file("onup.DAT"), skintest::filled(size, OnUpColour));
        skintest::writeBmp(file("ondown.DAT"), skintest::filled(size, OnDownColour));
        mng.LoadImages(&box, file("up.DAT"), file("up.DAT"), file("down.DAT"), file("onup.DAT"),
                       file("ondown.DAT"));
        box.canvas().fill(Blank);
        // Two buttons whose circles overlap around x 35.
        first = add<TLxButton>("BUTTON_PLAY", 10, 10, 20, 25);
        second = add<TLxToggleButton>("BUTTON_LOOP", 40, 10, 20, 45);
    }

    template <class T>
    T *add(const char *name, int left, int top, int size, int cx)
    {
        auto button = std::make_unique<T>();
        T *raw = button.get();
        button->Name = QString::fromLatin1(name);
        button->SetImageRect(left, top, size, size);
        button->SetHitCircle(cx, top + size / 2, 12);
        button->SetEnabled(true);
        mng.AddButton(std::move(button));
        return raw;
    }

    QColor at(const TLxButton *b)
    {
        const TLxImageRect r = b->GetImageRect();
        return box.canvas().pixelColor(r.Left + 3, r.Top + 3);
    }
};

TEST_F(ButtonMngTest, PressInTheOverlapPressesTheButtonAddedFirst)
{
    ASSERT_TRUE(first->InCircle(35, 20));
    ASSERT_TRUE(second->InCircle(35, 20));
    EXPECT_EQ(mng.PressAt(35, 20), 1);
    EXPECT_EQ(box.canvas().pixelColor(first->GetImageRect().Left, 10), DownColour);
    EXPECT_EQ(box.canvas().pixelColor(55, 15), Blank); // second button not drawn
    EXPECT_EQ(mng.ButtonAt(35, 20), first);
}

TEST_F(ButtonMngTest, DisabledButtonCannotBePressedButStillAnswersButtonAt)
{
    first->SetEnabled(false);
    EXPECT_EQ(mng.PressAt(18, 20), 0);
    EXPECT_EQ(box.changeCount(), 0);
    EXPECT_EQ(mng.ButtonAt(18, 20), first);
    EXPECT_EQ(mng.Release(), nullptr);
    // In the overlap the enabled second button is found instead.
    EXPECT_EQ(mng.PressAt(35, 20), 2);
}

TEST_F(ButtonMngTest, ReleaseAnywhereCompletesThePressAndDrawsItReleased)
{
    ASSERT_EQ(mng.PressAt(18, 20), 1);
    EXPECT_EQ(at(first), DownColour);
    EXPECT_EQ(mng.Release(), first); // the mouse position is never looked at
    EXPECT_EQ(at(first), UpColour);
    EXPECT_EQ(mng.PressedIndex(), 0);
    const int changes = box.changeCount();
    EXPECT_EQ(mng.Release(), nullptr);
    EXPECT_EQ(box.changeCount(), changes);
    EXPECT_EQ(mng.PressAt(150, 90), 0);
}

TEST_F(ButtonMngTest, TwoStateButtonIsDrawnFromTheImagesOfItsState)
{
    mng.DrawAll();
    EXPECT_EQ(at(second), UpColour);
    ASSERT_EQ(mng.PressAt(52, 20), 2);
    EXPECT_EQ(at(second), DownColour);
    EXPECT_EQ(mng.Release(), second);
    EXPECT_TRUE(second->IsOn());
    EXPECT_EQ(at(second), OnUpColour);
    ASSERT_EQ(mng.PressAt(52, 20), 2);
    EXPECT_EQ(at(second), OnDownColour);
    mng.Release();
    EXPECT_FALSE(second->IsOn());
    EXPECT_EQ(at(second), UpColour);
    // Toggling by name redraws it too; push buttons and unknown names are left alone.
    mng.Toggle(u"BUTTON_LOOP");
    EXPECT_TRUE(mng.IsOn(u"BUTTON_LOOP"));
    EXPECT_EQ(at(second), OnUpColour);
    mng.Toggle(u"BUTTON_PLAY");
    mng.Toggle(u"button_loop");
    mng.Disable(u"NOTHING");
    EXPECT_FALSE(mng.IsOn(u"BUTTON_PLAY"));
    EXPECT_FALSE(mng.IsOn(u"NOTHING"));
    EXPECT_TRUE(mng.IsOn(u"BUTTON_LOOP"));
    EXPECT_EQ(at(first), UpColour);
}

TEST(ButtonMngStates, UpdateButtonStatesFollowsPlayStateCountAndAB)
{
    TLxButtonMng mng;
    const char *names[] = {"BUTTON_PLAY",      "BUTTON_STOP",     "BUTTON_PLAY_NEXT",
                           "BUTTON_PLAY_BACK", "BUTTON_WRITE",    "BUTTON_DEL_FILE",
                           "BUTTON_LISTUP",    "BUTTON_LISTDOWN", "BUTTON_A",
                           "BUTTON_B",         "BUTTON_DEL_AB",   "BUTTON_OPENFILE"};
    for (const char *name : names) {
        auto button = std::make_unique<TLxButton>();
        button->Name = QString::fromLatin1(name);
        mng.AddButton(std::move(button));
    }
    const auto enabled = [&](const char *name) {
        return mng.Find(QString::fromLatin1(name))->Enabled();
    };
    EXPECT_FALSE(enabled("BUTTON_PLAY")); // new buttons start disabled

    mng.UpdateButtonStates(1, 1, false);
    EXPECT_TRUE(enabled("BUTTON_PLAY"));
    EXPECT_TRUE(enabled("BUTTON_PLAY_NEXT"));
    for (const char *name : {"BUTTON_STOP", "BUTTON_LISTUP", "BUTTON_LISTDOWN", "BUTTON_A",
                             "BUTTON_B", "BUTTON_DEL_AB"})
        EXPECT_FALSE(enabled(name)) << name;

    mng.UpdateButtonStates(4, 0, true);
    for (const char *name : {"BUTTON_PLAY", "BUTTON_STOP", "BUTTON_PLAY_NEXT", "BUTTON_PLAY_BACK",
                             "BUTTON_WRITE", "BUTTON_DEL_FILE", "BUTTON_LISTUP", "BUTTON_LISTDOWN"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(enabled("BUTTON_A"));
    EXPECT_TRUE(enabled("BUTTON_OPENFILE"));

    mng.UpdateButtonStates(2, 2, true);
    for (const char *name : names)
        EXPECT_TRUE(enabled(name)) << name;
}

TEST(ButtonMngLoad, MissingOrInvalidFileFailsNamingTheFile)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("MMPOF1.DAT"));
    const QString bad = dir.filePath(QStringLiteral("MMPON1.DAT"));
    skintest::writeBmp(good, skintest::filled({20, 10}, UpColour));
    testfiles::writeFile(bad, "BM this is not a bitmap");
    ImagePaintSurface box{QSize(20, 10)};
    TLxButtonMng mng;
    try {
        mng.LoadImages(&box, good, good, bad, good, good);
        FAIL() << "no error";
    } catch (const SkinFileError &e) {
        EXPECT_EQ(e.fileName(), bad);
        EXPECT_NE(std::string(e.what()).find("MMPON1.DAT"), std::string::npos);
    }
    EXPECT_EQ(mng.GetBackground().size(), QSize(20, 10)); // loaded before the failure
    const QString missing = dir.filePath(QStringLiteral("MMPOF2.DAT"));
    EXPECT_THROW(mng.LoadImages(&box, good, good, good, missing, good), SkinFileError);
    EXPECT_THROW(SkinImage::load(missing), SkinFileError);
    // A BMP with the ".DAT" extension reads as one.
    EXPECT_EQ(SkinImage::load(good).pixelColor(0, 0), UpColour);
}

} // namespace

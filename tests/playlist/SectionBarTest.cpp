#include "common/PaintSurface.h"
#include "playlist/SectionBarGeometry.h"
#include "playlist/TLxMusicInfoMng.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

using namespace SectionBarGeometry;

TEST(PositionToX, RoundsHalvesToEvenAndHandlesEmptyRanges)
{
    // 100 pixels over 0..1000: 5 bytes are half a pixel.
    EXPECT_EQ(positionToX(5, 0, 1000, 0, 100), 0);  // 0.5 -> 0
    EXPECT_EQ(positionToX(15, 0, 1000, 0, 100), 2); // 1.5 -> 2
    EXPECT_EQ(positionToX(25, 0, 1000, 0, 100), 2); // 2.5 -> 2
    EXPECT_EQ(positionToX(26, 0, 1000, 0, 100), 3);
    EXPECT_EQ(positionToX(1000, 0, 1000, 0, 100), 100);
    EXPECT_EQ(positionToX(2000, 0, 1000, 0, 100), 200); // beyond the bar: not clipped
    EXPECT_EQ(positionToX(500, 0, 0, 0, 100), 0);
    EXPECT_EQ(positionToX(500, 1000, 0, 0, 100), 0);
    EXPECT_EQ(positionToX(500, 0, 1000, 10, 110), 60);
    EXPECT_EQ(positionToX(std::numeric_limits<qint64>::max(), 0, 1, 0, 100), 1 << 30);
}

class SectionBarTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ImagePaintSurface bar{QSize(100, 8)};
    TLxMusicInfoMng mng;

    void SetUp() override
    {
        mng.SetSaveOnDestroy(false);
        mng.SetViews(&bar, nullptr);
        const QString path = dir.filePath(QStringLiteral("song.wav"));
        testfiles::writeFile(path, "x");
        ASSERT_EQ(mng.AddEntry(path, {}, false, true), 0);
        mng.SetCurrentLength(1000); // 10 bytes per pixel
    }

    // The colour of column x, after checking that the column is one colour top to bottom.
    QColor column(int x)
    {
        const QImage &image = bar.canvas();
        for (int y = 1; y < image.height(); ++y)
            EXPECT_EQ(image.pixelColor(x, y), image.pixelColor(x, 0)) << "x " << x;
        return image.pixelColor(x, 0);
    }

    std::vector<TLxABLoopInfo> &sections() { return mng.Entry(0)->Sections; }
};

TEST_F(SectionBarTest, SectionsAreRedOnNavyAndNeverLessThanOnePixel)
{
    sections() = {{100, 300}, {505, 506}, {900, 800}};
    mng.DrawSectionBar();
    EXPECT_EQ(column(9), Navy);
    EXPECT_EQ(column(10), Red);
    EXPECT_EQ(column(29), Red);
    EXPECT_EQ(column(30), Navy); // the end pixel itself is excluded
    EXPECT_EQ(column(50), Red);  // 505 and 506 map to the same x: one pixel
    EXPECT_EQ(column(51), Navy);
    for (int x = 80; x <= 90; ++x)
        EXPECT_EQ(column(x), Navy) << "a section ending before its start is not drawn";
}

TEST_F(SectionBarTest, ZeroLengthDrawsEverySectionInTheFirstColumn)
{
    sections() = {{100, 300}, {600, 900}};
    mng.SetCurrentLength(0);
    EXPECT_EQ(column(0), Red);
    EXPECT_EQ(column(1), Navy);
    EXPECT_EQ(column(60), Navy);
}

TEST_F(SectionBarTest, CursorMovesOnlyWhenItsColumnChangesAndRestoresWhatItCovered)
{
    sections() = {{100, 300}};
    mng.DrawSectionBar();
    mng.DrawPosition(200);
    EXPECT_EQ(column(20), Lime);
    const int changes = bar.changeCount();
    mng.DrawPosition(203); // still column 20
    EXPECT_EQ(bar.changeCount(), changes);

    mng.DrawPosition(700);
    EXPECT_EQ(column(20), Red); // the section under the old cursor is back
    EXPECT_EQ(column(70), Lime);
    mng.DrawPosition(710);
    EXPECT_EQ(column(70), Navy);
}

TEST_F(SectionBarTest, PendingAMarkIsWhiteAndSurvivesTheCursor)
{
    mng.SetPointA(400, false);
    EXPECT_EQ(column(40), White);
    mng.DrawPosition(450);
    mng.DrawPosition(460);
    EXPECT_EQ(column(40), White);
    EXPECT_EQ(column(45), Navy);
    EXPECT_EQ(column(46), Lime);

    EXPECT_EQ(mng.SetPointB(600), 0); // completing the section hides the mark
    EXPECT_EQ(column(40), Red);
    EXPECT_EQ(column(59), Red);
    EXPECT_EQ(column(60), Navy);
}

TEST_F(SectionBarTest, EmptyListIsPlainNavy)
{
    sections() = {{0, 1000}};
    mng.DrawSectionBar();
    mng.Clear();
    mng.DrawSectionBar();
    for (int x = 0; x < 100; x += 11)
        EXPECT_EQ(column(x), Navy);
}

TEST_F(SectionBarTest, RedrawRepairsACurrentIndexOutsideTheList)
{
    mng.DeleteEntry(0);
    EXPECT_EQ(mng.GetCurrentIndex(), -1);
    const QString path = dir.filePath(QStringLiteral("next.wav"));
    testfiles::writeFile(path, "x");
    mng.AddEntry(path, {}, false, false);
    EXPECT_EQ(mng.GetCurrentIndex(), 0);
}

} // namespace

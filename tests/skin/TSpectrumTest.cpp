#include "skin/TSpectrum.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QRgb Black = qRgb(0, 0, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb Yellow = qRgb(255, 255, 0);

TSpectrum::Magnitudes filled(float value)
{
    TSpectrum::Magnitudes m{};
    m.fill(value);
    return m;
}

// The main window's spectrum box: 56 x 18 pixels, so bars 0..13 are visible.
class TSpectrumTest : public ::testing::Test {
protected:
    QStringList errors;
    TSpectrum spectrum{56, 18, true, [this](const QString &text) { errors << text; }};
    ImagePaintSurface dc{QSize(56, 18)};

    void draw(float value, int frames = 1)
    {
        for (int n = 0; n < frames; ++n)
            spectrum.Draw(dc, filled(value), 0, 0);
    }
    QRgb pixel(int x, int y) { return dc.canvas().pixel(x, y); }
    // The colours of one column of bar `bar`, from the top row down.
    std::vector<QRgb> column(int bar)
    {
        std::vector<QRgb> c;
        for (int y = 0; y < 18; ++y)
            c.push_back(pixel(4 * bar + 1, y));
        return c;
    }
    static std::vector<QRgb> expectedColumn(int barLevel, int peakLevel)
    {
        std::vector<QRgb> c(18, Black);
        if (peakLevel > 0)
            c[18 - peakLevel] = Yellow;
        for (int y = 18 - barLevel; y < 18; ++y)
            c[y] = Blue;
        return c;
    }
};

TEST_F(TSpectrumTest, LoudSignalFillsEveryVisibleBarUpToScaleWithOnePixelGaps)
{
    draw(1.0f);
    EXPECT_EQ(dc.changeCount(), 1);
    for (int bar = 0; bar < 14; ++bar) {
        EXPECT_EQ(spectrum.BarLevel(bar), 18);
        for (int y = 0; y < 18; ++y) {
            EXPECT_EQ(pixel(4 * bar, y), Blue);
            EXPECT_EQ(pixel(4 * bar + 2, y), Blue);
            EXPECT_EQ(pixel(4 * bar + 3, y), Black) << "gap after bar " << bar;
        }
    }
    // Bars beyond the width are computed but clipped.
    EXPECT_EQ(spectrum.BarLevel(14), 18);
    EXPECT_EQ(spectrum.BarLevel(128), 18);
    EXPECT_EQ(spectrum.PeakLevel(128), 18);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(TSpectrumTest, AfterSilenceBarsFallThreePixelsAndPeaksOnePixelPerFrame)
{
    draw(1.0f);
    for (int frame = 1; frame <= 20; ++frame) {
        draw(0.0f);
        const int bar = std::max(18 - 3 * frame, 0);
        const int peak = std::max(18 - frame, 0);
        ASSERT_EQ(spectrum.BarLevel(0), bar) << "frame " << frame;
        ASSERT_EQ(spectrum.PeakLevel(0), peak) << "frame " << frame;
        // While the bar is as high as the peak, it covers the marker.
        ASSERT_EQ(column(0), expectedColumn(bar, peak)) << "frame " << frame;
        ASSERT_EQ(column(13), expectedColumn(bar, peak)) << "frame " << frame;
    }
    EXPECT_EQ(spectrum.BarLevel(0), 0);
    EXPECT_EQ(spectrum.PeakLevel(0), 0); // the marker of level 0 is below the bitmap
}

TEST_F(TSpectrumTest, FallingLevelsStepByTheirFixedAmountEvenPastANewerLowerValue)
{
    draw(1.0f);
    // k = 18 * 500 / 18 = 500: 16 / 500 gives a new height of 16, between 15 and 18.
    draw(16.0f / 500.0f);
    EXPECT_EQ(spectrum.BarLevel(0), 15);
    EXPECT_EQ(spectrum.PeakLevel(0), 17);
    draw(16.0f / 500.0f); // rises again to 16; the peak keeps falling towards it
    EXPECT_EQ(spectrum.BarLevel(0), 16);
    EXPECT_EQ(spectrum.PeakLevel(0), 16);
}

TEST_F(TSpectrumTest, HeightIsLinearInTheMagnitudeTruncatedAndSignIgnored)
{
    spectrum.SetScale(9); // half volume: k = 9 * 500 / 18 = 250
    TSpectrum::Magnitudes m{};
    m[5] = 0.021f;  // 5.25 -> 5 pixels
    m[6] = -0.021f; // the same
    m[7] = 0.0199f; // 4.975 -> 4
    m[8] = 1.0f;    // capped at the scale
    spectrum.Draw(dc, m, 0, 0);
    EXPECT_EQ(spectrum.BarLevel(0), 5);
    EXPECT_EQ(spectrum.BarLevel(1), 5);
    EXPECT_EQ(spectrum.BarLevel(2), 4);
    EXPECT_EQ(spectrum.BarLevel(3), 9);
    EXPECT_EQ(column(0), expectedColumn(5, 5));
    EXPECT_EQ(column(3), expectedColumn(9, 9));
    EXPECT_EQ(spectrum.BarLevel(4), 0); // magnitudes 0..4 are never used
}

TEST_F(TSpectrumTest, ScaleZeroLetsEveryLevelFallToZeroAndStayThere)
{
    draw(1.0f);
    spectrum.SetScale(0);
    draw(1.0f, 18);
    for (int bar = 0; bar < TSpectrum::BarCount; ++bar) {
        ASSERT_EQ(spectrum.BarLevel(bar), 0);
        ASSERT_EQ(spectrum.PeakLevel(bar), 0);
    }
    draw(100.0f);
    EXPECT_EQ(spectrum.BarLevel(0), 0);
    for (int x = 0; x < 56; ++x)
        for (int y = 0; y < 18; ++y)
            ASSERT_EQ(pixel(x, y), Black);
}

TEST_F(TSpectrumTest, HiddenPeaksAreStillTracked)
{
    draw(1.0f);
    spectrum.ShowPeaks = false;
    draw(0.0f, 3); // bar 9, peak 15
    EXPECT_EQ(spectrum.PeakLevel(0), 15);
    EXPECT_EQ(column(0), expectedColumn(9, 0));
    spectrum.ShowPeaks = true;
    spectrum.PeakColor = QColor(166, 202, 240); // what the engine sets when playback starts
    draw(0.0f);
    EXPECT_EQ(pixel(1, 18 - 14), qRgb(166, 202, 240));
}

TEST_F(TSpectrumTest, ColoursAndShiftAreApplied)
{
    spectrum.BackColor = QColor(0, 0, 128);
    spectrum.BarColor = QColor(255, 255, 255);
    spectrum.Draw(dc, filled(0.021f), 2, -3); // k = 500: bars of 10 shifted right 2 and up 3
    const QRgb navy = qRgb(0, 0, 128);
    EXPECT_EQ(pixel(0, 17), navy);
    EXPECT_EQ(pixel(1, 17), navy);
    EXPECT_EQ(pixel(2, 14), qRgb(255, 255, 255)); // bottom row of the bar at y + H - 1
    EXPECT_EQ(pixel(4, 5), qRgb(255, 255, 255));  // top row at y + H - 10
    EXPECT_EQ(pixel(4, 4), navy);
    EXPECT_EQ(pixel(4, 15), navy);
    EXPECT_EQ(pixel(5, 10), navy);                 // the gap
    EXPECT_EQ(pixel(54, 10), qRgb(255, 255, 255)); // bar 13 is cut after its first pixel
    EXPECT_EQ(pixel(55, 10), qRgb(255, 255, 255));
}

TEST_F(TSpectrumTest, FrameIsCopiedToTheTopLeftOfALargerSurface)
{
    ImagePaintSurface large{QSize(70, 30)};
    large.canvas().fill(Qt::white);
    spectrum.Draw(large, filled(1.0f), 0, 0);
    EXPECT_EQ(large.canvas().pixel(0, 0), Blue);
    EXPECT_EQ(large.canvas().pixel(55, 17), Black);
    EXPECT_EQ(large.canvas().pixel(56, 0), qRgb(255, 255, 255));
    EXPECT_EQ(large.canvas().pixel(0, 18), qRgb(255, 255, 255));
    EXPECT_EQ(large.changeCount(), 1);
}

TEST(TSpectrumSize, HeightZeroKeepsEveryLevelAtZeroWithoutErrors)
{
    QStringList errors;
    TSpectrum spectrum(56, 0, true, [&](const QString &text) { errors << text; });
    ImagePaintSurface dc{QSize(56, 18)};
    spectrum.Draw(dc, filled(1.0f), 0, 0);
    EXPECT_EQ(spectrum.BarLevel(0), 0);
    EXPECT_EQ(spectrum.PeakLevel(0), 0);
    EXPECT_EQ(dc.canvas().pixel(0, 17), Black); // nothing to copy
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(TSpectrumTest, AMagnitudeThatIsNotANumberEndsTheLoopButTheFrameIsCopied)
{
    draw(1.0f);
    TSpectrum::Magnitudes m{};
    m[5 + 3] = std::nanf("");
    spectrum.Draw(dc, m, 0, 0);
    ASSERT_EQ(errors, QStringList{QStringLiteral("TSpectrum.Drawでエラー。")});
    EXPECT_EQ(spectrum.BarLevel(2), 15); // bars before it fell
    EXPECT_EQ(spectrum.BarLevel(4), 18); // bars after it were not reached
    EXPECT_EQ(column(2), expectedColumn(15, 17));
    EXPECT_EQ(column(4), std::vector<QRgb>(18, Black)); // cleared, not drawn
    EXPECT_EQ(dc.changeCount(), 2);
}

} // namespace

#pragma once

#include "common/PaintSurface.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <array>
#include <functional>

// The frequency-bar display: one bar per FFT magnitude with a falling peak marker above it.
// Each frame is composed in a back buffer of the size given to the constructor and then copied
// to the paint surface in one piece. Levels persist between frames, so bars fall smoothly after
// the sound stops. UI thread only.
class TSpectrum {
public:
    static constexpr int BarCount = 129;
    static constexpr int FirstMagnitude = 5;
    static constexpr int MagnitudeCount = 513; // the FFT fills the first 512
    static constexpr int BarPitch = 4;         // a 3-pixel bar and a 1-pixel gap
    static constexpr int BarWidth = 3;
    static constexpr int Gain = 500;
    static constexpr int BarFall = 3;
    static constexpr int PeakFall = 1;

    using Magnitudes = std::array<float, MagnitudeCount>;
    // Shows an error text to the user (an information box with one OK button in the player).
    using ErrorReporter = std::function<void(const QString &)>;

    TSpectrum(int width, int height, bool showPeaks, ErrorReporter reportError = {});

    void SetScale(int pixels) { Scale = pixels; }
    // Composes one frame from the magnitudes, shifted by (x, y) inside the back buffer, and
    // copies the whole back buffer to dc at (0, 0).
    void Draw(PaintSurface &dc, Magnitudes magnitudes, int x, int y);

    int PeakLevel(int bar) const { return m_peaks.at(bar); }
    int BarLevel(int bar) const { return m_bars.at(bar); }
    const QImage &BackBuffer() const { return m_back; }

    QColor BackColor{0, 0, 0};
    int Scale;
    QColor BarColor{0, 0, 255};
    QColor PeakColor{255, 255, 0};
    bool ShowPeaks;

private:
    void clear();
    int barHeight(float magnitude) const;
    void updateLevels(int bar, int h);
    void drawBar(int bar, int x, int y);
    void copyTo(PaintSurface &dc) const;
    void report(const QString &text) const;

    QSize m_size; // as asked for, even when the back buffer could not be allocated
    QImage m_back;
    std::array<int, BarCount> m_peaks{};
    std::array<int, BarCount> m_bars{};
    ErrorReporter m_reportError;
};

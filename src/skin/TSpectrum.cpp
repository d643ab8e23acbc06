#include "skin/TSpectrum.h"

#include "skin/ImageFill.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

TSpectrum::TSpectrum(int width, int height, bool showPeaks, ErrorReporter reportError)
    : Scale(height), ShowPeaks(showPeaks), m_size(std::max(width, 0), std::max(height, 0)),
      m_reportError(std::move(reportError))
{
    if (!m_size.isEmpty())
        m_back = QImage(width, height, QImage::Format_RGB32);
    if (!m_back.isNull())
        m_back.fill(BackColor);
}

void TSpectrum::Draw(PaintSurface &dc, Magnitudes magnitudes, int x, int y)
{
    clear();
    const int height = m_size.height();
    try {
        for (int i = 0; i < BarCount; ++i) {
            updateLevels(i, barHeight(magnitudes[FirstMagnitude + i]));
            drawBar(i, x + BarPitch * i, y + height);
        }
    } catch (const std::exception &) {
        report(QStringLiteral("TSpectrum.Drawでエラー。"));
    }
    copyTo(dc);
}

void TSpectrum::clear()
{
    // A back buffer that could not be allocated is the one way clearing fails; drawing goes on
    // so that the levels keep moving.
    if (m_back.isNull()) {
        if (!m_size.isEmpty())
            report(QStringLiteral("TSpectrum.Draw(clr)でエラー。"));
        return;
    }
    m_back.fill(BackColor);
}

int TSpectrum::barHeight(float magnitude) const
{
    const int height = m_size.height();
    const qint64 k = height == 0 ? 0 : static_cast<qint64>(Scale) * Gain / height;
    const double h = std::trunc(static_cast<double>(k) * std::fabs(static_cast<double>(magnitude)));
    // A magnitude that is not a number (or no finite one) cannot become a bar height.
    if (!std::isfinite(h))
        throw std::domain_error("magnitude is not finite");
    return h > Scale ? Scale
                     : static_cast<int>(std::max(h, double(std::numeric_limits<int>::min())));
}

void TSpectrum::updateLevels(int bar, int h)
{
    // A falling level moves down by its fixed step even when h lies inside the step.
    int &peak = m_peaks[bar];
    peak = h >= peak ? h : peak - PeakFall;
    int &level = m_bars[bar];
    level = h >= level ? h : level - BarFall;
    peak = std::max(peak, 0);
    level = std::max(level, 0);
}

void TSpectrum::drawBar(int bar, int left, int bottom)
{
    // The marker goes first so that a bar as high as its peak covers it.
    if (ShowPeaks)
        ImageFill::fillRect(m_back, QRect(left, bottom - m_peaks[bar], BarWidth, 1),
                            PeakColor.rgb());
    const int level = m_bars[bar];
    ImageFill::fillRect(m_back, QRect(left, bottom - level, BarWidth, level), BarColor.rgb());
}

void TSpectrum::copyTo(PaintSurface &dc) const
{
    ImageFill::copyAtOrigin(m_back, dc.canvas());
    dc.canvasChanged();
}

void TSpectrum::report(const QString &text) const
{
    if (m_reportError)
        m_reportError(text);
}

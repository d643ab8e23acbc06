// Drawing of the A-B section bar of the current song. The bar is navy with red sections; a
// one-pixel column marks the play position (lime) or a pending A point (white). The column
// under the cursor is restored from the colour it covered, which works because every column
// of the bar is of one colour from top to bottom.
#include "common/PaintSurface.h"
#include "common/TLxMutex.h"
#include "playlist/SectionBarGeometry.h"
#include "playlist/TLxMusicInfoMng.h"

#include <QPainter>

using namespace SectionBarGeometry;

namespace {

// The lock orders the repaint only against other copies of the player. Should one hold it
// past the time-out, the bar is drawn all the same: only this window shows it, and the
// repaint runs from places (file intake, playback) that must never end in an exception.
class SectionBarLock {
public:
    explicit SectionBarLock(TLxMutex *mutex)
    {
        if (!mutex)
            return;
        try {
            mutex->Lock();
            m_held = mutex;
        } catch (const std::runtime_error &) {
        }
    }
    ~SectionBarLock()
    {
        if (m_held)
            m_held->Unlock();
    }
    SectionBarLock(const SectionBarLock &) = delete;
    SectionBarLock &operator=(const SectionBarLock &) = delete;

private:
    TLxMutex *m_held = nullptr;
};

} // namespace

int TLxMusicInfoMng::PosToX(qint64 pos) const
{
    return positionToX(pos, m_rangeStart, m_rangeEnd, m_barRect.left(),
                       m_barRect.left() + m_barRect.width());
}

void TLxMusicInfoMng::DrawSectionBar()
{
    const SectionBarLock locked(m_sectionBarLock);
    // The repair holds even without a bar: callers rely on a valid current entry afterwards.
    if (!m_entries.empty() && (m_currentIndex < 0 || m_currentIndex >= GetCount()))
        m_currentIndex = 0;
    if (!m_sectionBar)
        return;
    {
        QPainter painter(&m_sectionBar->canvas());
        painter.fillRect(m_barRect, Navy);
        if (!m_entries.empty()) {
            for (const TLxABLoopInfo &section : m_entries[m_currentIndex]->Sections) {
                const int x1 = PosToX(section.PosA);
                int x2 = PosToX(section.PosB);
                if (x1 == x2)
                    x2 = x1 + 1;
                if (x2 > x1) // a section that ends before it starts is not drawn
                    painter.fillRect(QRect(x1, m_barRect.top(), x2 - x1, m_barRect.height()), Red);
            }
        }
    }
    m_markX = -1;
    if (!m_entries.empty()) {
        const TLxMusicInfo &entry = *m_entries[m_currentIndex];
        if (entry.AMarkVisible) {
            DrawMarker(entry.LastA, White, true);
            m_markX = -1; // the A mark stays until the next full repaint
        }
    }
    m_sectionBar->canvasChanged();
}

void TLxMusicInfoMng::DrawPosition(qint64 pos)
{
    DrawMarker(pos, Lime, false);
}

void TLxMusicInfoMng::DrawMarker(qint64 pos, const QColor &colour, bool force)
{
    if (m_rangeEnd == m_rangeStart)
        return;
    DrawMarkerLine(PosToX(pos), colour, force);
}

void TLxMusicInfoMng::fillColumn(int x, const QColor &colour)
{
    QPainter painter(&m_sectionBar->canvas());
    painter.fillRect(QRect(x, m_barRect.top(), 1, m_barRect.height()), colour);
}

void TLxMusicInfoMng::DrawMarkerLine(int x, const QColor &colour, bool force)
{
    if (!m_sectionBar || (x == m_markX && !force))
        return;
    if (m_markX != -1)
        fillColumn(m_markX, m_markSavedColor);
    const QImage &image = m_sectionBar->canvas();
    m_markSavedColor =
        image.valid(x, m_barRect.top()) ? image.pixelColor(x, m_barRect.top()) : Navy;
    fillColumn(x, colour);
    m_markX = x;
    m_sectionBar->canvasChanged();
}

#include "cd/CdGuideLine.h"

#include <QFontMetrics>
#include <QPainter>

void CdGuideLine::setText(const QString &text)
{
    m_text = text;
    m_x = width() / 4;
    update();
}

void CdGuideLine::step()
{
    const int w = fontMetrics().horizontalAdvance(m_text);
    const int W = width();
    // The text has left on the left: its follower, a quarter width behind, takes its place.
    if (m_x + w < 0)
        m_x = W - (3 * W / 4 - (m_x + w));
    m_x -= 4;
    update();
}

void CdGuideLine::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0x80));
    if (m_text.isEmpty())
        return;
    p.setPen(QColor(0, 0xff, 0xff));
    const int w = fontMetrics().horizontalAdvance(m_text);
    const int W = width();
    const int baseline = 1 + fontMetrics().ascent();
    p.drawText(m_x, baseline, m_text);
    if (m_x + w < 3 * W / 4)
        p.drawText(W - (3 * W / 4 - (m_x + w)), baseline, m_text);
}

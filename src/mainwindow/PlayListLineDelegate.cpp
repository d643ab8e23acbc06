#include "mainwindow/PlayListLineDelegate.h"

#include <QPainter>

namespace {

constexpr int MarkWidth = 18; // the text starts this many skin pixels from the left
constexpr int LineHeight = 17;

QImage withoutWhite(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xffffff) == 0xffffff)
                line[x] = 0;
    }
    return out;
}

} // namespace

const QColor PlayListLineDelegate::EvenLine(63, 237, 237);
const QColor PlayListLineDelegate::OddLine(63, 227, 209);
const QColor PlayListLineDelegate::SelectedText(0, 255, 255);
const QColor PlayListLineDelegate::SelectedBack(0, 0, 128);

PlayListLineDelegate::PlayListLineDelegate(const QImage &currentMark, const QImage &otherMark,
                                           QObject *parent)
    : QStyledItemDelegate(parent), m_currentMark(withoutWhite(currentMark)),
      m_otherMark(withoutWhite(otherMark))
{
}

void PlayListLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    const int line = index.row();
    QRect rect = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(rect, line % 2 == 0 ? EvenLine : OddLine);
    const bool current = currentEntry && currentEntry() == line;
    const QImage &mark = current ? m_currentMark : m_otherMark;
    painter->drawImage(QRectF(rect.topLeft(), QSizeF(mark.size()) * scale), mark);
    rect.setLeft(rect.left() + qRound(MarkWidth * scale));
    if (selected)
        painter->fillRect(rect, SelectedBack);
    painter->setPen(selected ? SelectedText : QColor(Qt::black));
    painter->setFont(option.font);
    const QString text = QStringLiteral("%1: %2").arg(line + 1).arg(index.data().toString());
    painter->drawText(
        rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
    painter->restore();
}

QSize PlayListLineDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), qRound(LineHeight * scale));
}

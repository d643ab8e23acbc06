#pragma once

#include <QImage>
#include <QStyledItemDelegate>

#include <functional>

// Draws the play list's lines: stripes in two colours, the mark of the current entry or of
// any other entry, then "N: name", aqua on navy while selected. UI thread only.
class PlayListLineDelegate : public QStyledItemDelegate {
public:
    static const QColor EvenLine;
    static const QColor OddLine;
    static const QColor SelectedText;
    static const QColor SelectedBack;

    // The marks are skin images whose white pixels are transparent.
    PlayListLineDelegate(const QImage &currentMark, const QImage &otherMark, QObject *parent);

    // The index of the current entry (the one that plays or would play).
    std::function<int()> currentEntry;
    // Logical pixels per skin pixel, so the marks keep their place on a HiDPI screen.
    qreal scale = 1.0;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QImage m_currentMark;
    QImage m_otherMark;
};

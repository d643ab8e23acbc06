#include "mainwindow/PlayListBox.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

PlayListBox::PlayListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font(QStringLiteral("IPAGothic"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(12);
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(0, 0, 0x80));
    colours.setColor(QPalette::Text, Qt::white);
    colours.setColor(QPalette::Highlight, QColor(0x33, 0x66, 0xcc));
    colours.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colours);
}

void PlayListBox::addLine(const QString &text)
{
    auto *item = new QListWidgetItem(text, this);
    item->setSizeHint(QSize(0, LineHeight));
}

void PlayListBox::deleteLine(int index)
{
    delete takeItem(index);
}

void PlayListBox::swapLines(int a, int b)
{
    QListWidgetItem *first = item(a);
    QListWidgetItem *second = item(b);
    if (!first || !second)
        return;
    const QString text = first->text();
    const bool selected = first->isSelected();
    first->setText(second->text());
    first->setSelected(second->isSelected());
    second->setText(text);
    second->setSelected(selected);
}

void PlayListBox::setLineSelected(int index, bool selected)
{
    if (QListWidgetItem *line = item(index))
        line->setSelected(selected);
}

int PlayListBox::itemIndex() const
{
    const int row = currentRow();
    return row >= 0 && row < count() ? row : -1;
}

void PlayListBox::setItemIndex(int index)
{
    // Moves the focus only: the selection is the caller's business.
    const QModelIndex target = model()->index(index, 0);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
}

void PlayListBox::repaintNow()
{
    viewport()->repaint();
}

int PlayListBox::selectedCount() const
{
    return int(selectedItems().size());
}

void PlayListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) && onDoubleClick)
        onDoubleClick();
}

bool PlayListBox::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QListWidget::viewportEvent(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QListWidgetItem *line = itemAt(help->pos());
    if (!line) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(help->globalPos(), line->text(), viewport(), visualItemRect(line));
    return true;
}

#include "mainwindow/PlayListBox.h"

#include "mainwindow/PlayListLineDelegate.h"
#include "skin/SkinScale.h"

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
    // Below the last line the list shows the colour of the stripes' darker half.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, PlayListLineDelegate::OddLine);
    setPalette(colours);
}

void PlayListBox::setLineMarks(const QImage &currentMark, const QImage &otherMark,
                               std::function<int()> currentEntry)
{
    m_lines = new PlayListLineDelegate(currentMark, otherMark, this);
    m_lines->currentEntry = std::move(currentEntry);
    m_lines->scale = SkinScale::scaleFor(devicePixelRatioF()) / devicePixelRatioF();
    setItemDelegate(m_lines);
}

void PlayListBox::addLine(const QString &text)
{
    new QListWidgetItem(text, this);
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

void PlayListBox::setLineText(int index, const QString &text)
{
    if (QListWidgetItem *line = item(index))
        line->setText(text);
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

void PlayListBox::mousePressEvent(QMouseEvent *event)
{
    const QListWidgetItem *line = itemAt(event->position().toPoint());
    if (event->button() != Qt::RightButton || !line) {
        QListWidget::mousePressEvent(event);
        return;
    }
    setCurrentRow(row(line), QItemSelectionModel::ClearAndSelect);
    if (onContextMenu)
        onContextMenu(event->globalPosition().toPoint());
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

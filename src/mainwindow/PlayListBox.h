#pragma once

#include "playlist/PlayListView.h"

#include <QListWidget>

#include <functional>

class PlayListLineDelegate;

// The play list: one line per playlist entry, several lines selectable at once. The playlist
// manager writes into it through PlayListView; a double click asks the window to play the
// line. UI thread only.
class PlayListBox : public QListWidget, public PlayListView {
public:
    explicit PlayListBox(QWidget *parent);

    int lineCount() const override { return count(); }
    void addLine(const QString &text) override;
    void deleteLine(int index) override;
    void swapLines(int a, int b) override;
    void setLineText(int index, const QString &text) override;
    void setLineSelected(int index, bool selected) override;
    int itemIndex() const override;
    void setItemIndex(int index) override;
    void repaintNow() override;

    int selectedCount() const;
    // Draws the lines with the skin's marks; currentEntry names the entry that plays.
    void setLineMarks(const QImage &currentMark, const QImage &otherMark,
                      std::function<int()> currentEntry);
    std::function<void()> onDoubleClick;
    // A right click on a line, after that line became the only selected one.
    std::function<void(QPoint globalPos)> onContextMenu;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    PlayListLineDelegate *m_lines = nullptr;
};

#pragma once

#include "playlist/PlayListView.h"

#include <QListWidget>

#include <functional>

// The play list: one line per playlist entry, several lines selectable at once. The playlist
// manager writes into it through PlayListView; a double click asks the window to play the
// line. UI thread only.
class PlayListBox : public QListWidget, public PlayListView {
public:
    static constexpr int LineHeight = 17;

    explicit PlayListBox(QWidget *parent);

    int lineCount() const override { return count(); }
    void addLine(const QString &text) override;
    void deleteLine(int index) override;
    void swapLines(int a, int b) override;
    void setLineSelected(int index, bool selected) override;
    int itemIndex() const override;
    void setItemIndex(int index) override;
    void repaintNow() override;

    int selectedCount() const;
    std::function<void()> onDoubleClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
};

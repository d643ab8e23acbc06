#pragma once

#include <QString>

// The play list box as the playlist manager sees it: line i shows entry i. The main window
// implements it over its list widget. UI thread only.
class PlayListView {
public:
    virtual ~PlayListView() = default;

    virtual int lineCount() const = 0;
    virtual void addLine(const QString &text) = 0;
    virtual void deleteLine(int index) = 0;
    virtual void swapLines(int a, int b) = 0;
    virtual void setLineText(int index, const QString &text) = 0;
    // Adds the line to the selection (or takes it out); other selected lines stay selected.
    virtual void setLineSelected(int index, bool selected) = 0;
    // The focused line; -1 = none. An index outside the list means none.
    virtual int itemIndex() const = 0;
    virtual void setItemIndex(int index) = 0;
    // Repaints at once, not at the next event-loop turn.
    virtual void repaintNow() = 0;
};

#pragma once

#include "playlist/PlayListView.h"

#include <QStringList>

#include <set>

// The play list box reduced to its lines, selection and item index, with Windows list-box
// rules: an item index outside the lines means none. The main window's list widget
// implements the same interface.
class LinesView : public PlayListView {
public:
    QStringList lines;
    std::set<int> selected;
    int item = -1;
    int repaints = 0;

    int lineCount() const override { return static_cast<int>(lines.size()); }
    void addLine(const QString &text) override { lines.append(text); }
    void deleteLine(int index) override
    {
        lines.removeAt(index);
        std::set<int> shifted;
        for (int s : selected) {
            if (s != index)
                shifted.insert(s > index ? s - 1 : s);
        }
        selected = shifted;
    }
    void swapLines(int a, int b) override { lines.swapItemsAt(a, b); }
    void setLineText(int index, const QString &text) override { lines[index] = text; }
    void setLineSelected(int index, bool on) override
    {
        if (on)
            selected.insert(index);
        else
            selected.erase(index);
    }
    int itemIndex() const override { return item; }
    void setItemIndex(int index) override { item = index >= 0 && index < lineCount() ? index : -1; }
    void repaintNow() override { ++repaints; }
};

#pragma once

#include <QWidget>

// The CD dialog's scrolling guide line: aqua text on navy that moves 4 pixels a tick to the
// left, a second copy following a quarter of the width behind. UI thread only.
class CdGuideLine : public QWidget {
public:
    explicit CdGuideLine(QWidget *parent) : QWidget(parent) {}

    // A new text starts a quarter of the way in; an empty text blanks the line.
    void setText(const QString &text);
    const QString &text() const { return m_text; }
    int textX() const { return m_x; }
    // One tick of the scroll.
    void step();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    int m_x = 0;
};

#pragma once

#include "common/MessagePresenter.h"

class QWidget;

// Message boxes of the windows: a modal QMessageBox with the asked icon and buttons, titled
// with the program's name. While a box with a text is open, the same text opens no second
// one, and once the program is asked to quit none opens at all: show() then gives the most
// cautious of the offered answers (Cancel, Abort, No, Ok), as Escape would. UI thread only.
class MessageBoxPresenter : public MessagePresenter {
public:
    explicit MessageBoxPresenter(QWidget *parent = nullptr) : m_parent(parent) {}
    Button show(const QString &text, Icon icon, int buttons) override;
    static Button cautiousAnswer(int buttons);
    // While on, as for failures that keep the program from starting, every text also goes to
    // standard error as one line, and no box is shown where nobody could see it.
    void setStartupFailures(bool on) { m_startupFailures = on; }
    // The offscreen and minimal platforms show nothing to anyone.
    static bool boxesCanBeSeen();

private:
    QWidget *m_parent;
    bool m_startupFailures = false;
};

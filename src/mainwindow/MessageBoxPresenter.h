#pragma once

#include "common/MessagePresenter.h"

class QWidget;

// Message boxes of the windows: a modal QMessageBox with the asked icon and buttons, titled
// with the program's name. UI thread only.
class MessageBoxPresenter : public MessagePresenter {
public:
    explicit MessageBoxPresenter(QWidget *parent = nullptr) : m_parent(parent) {}
    Button show(const QString &text, Icon icon, int buttons) override;

private:
    QWidget *m_parent;
};

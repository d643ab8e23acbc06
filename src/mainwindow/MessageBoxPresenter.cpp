#include "mainwindow/MessageBoxPresenter.h"

#include <QMessageBox>

#include <utility>

namespace {

QMessageBox::Icon toQt(MessagePresenter::Icon icon)
{
    switch (icon) {
    case MessagePresenter::Icon::Error:
        return QMessageBox::Critical;
    case MessagePresenter::Icon::Warning:
        return QMessageBox::Warning;
    case MessagePresenter::Icon::Question:
        return QMessageBox::Question;
    case MessagePresenter::Icon::Information:
        break;
    }
    return QMessageBox::Information;
}

constexpr std::pair<MessagePresenter::Button, QMessageBox::StandardButton> ButtonPairs[] = {
    {MessagePresenter::Ok, QMessageBox::Ok},       {MessagePresenter::Cancel, QMessageBox::Cancel},
    {MessagePresenter::Abort, QMessageBox::Abort}, {MessagePresenter::Yes, QMessageBox::Yes},
    {MessagePresenter::No, QMessageBox::No},
};

} // namespace

MessagePresenter::Button MessageBoxPresenter::show(const QString &text, Icon icon, int buttons)
{
    QMessageBox box(toQt(icon), QStringLiteral("Quillmere"), text, QMessageBox::NoButton, m_parent);
    for (const auto &[ours, qt] : ButtonPairs) {
        if (buttons & ours)
            box.addButton(qt);
    }
    if (box.buttons().isEmpty())
        box.addButton(QMessageBox::Ok);
    const auto chosen = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto &[ours, qt] : ButtonPairs) {
        if (qt == chosen)
            return ours;
    }
    // Closed with Escape or the title bar: the most cautious of the offered answers.
    for (Button b : {Cancel, Abort, No, Ok}) {
        if (buttons & b)
            return b;
    }
    return Ok;
}

#include "mainwindow/MessageBoxPresenter.h"

#include "mainwindow/QuitRequest.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QSet>

#include <cstdio>
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

// The texts of the boxes open right now, in every presenter: a fault that repeats on a timer
// would otherwise stack one modal box per tick, each in the event loop of the one before.
QSet<QString> &openTexts()
{
    static QSet<QString> texts;
    return texts;
}

} // namespace

MessagePresenter::Button MessageBoxPresenter::show(const QString &text, Icon icon, int buttons)
{
    if (m_startupFailures) {
        std::fprintf(stderr, "quillmere: %s\n", qPrintable(QString(text).replace(u'\n', u' ')));
        if (!boxesCanBeSeen())
            return cautiousAnswer(buttons);
    }
    if (QuitRequest::requested() || openTexts().contains(text))
        return cautiousAnswer(buttons);
    QMessageBox box(toQt(icon), QStringLiteral("Quillmere Audio Player"), text,
                    QMessageBox::NoButton, m_parent);
    for (const auto &[ours, qt] : ButtonPairs) {
        if (buttons & ours)
            box.addButton(qt);
    }
    if (box.buttons().isEmpty())
        box.addButton(QMessageBox::Ok);
    openTexts().insert(text);
    const auto chosen = static_cast<QMessageBox::StandardButton>(box.exec());
    openTexts().remove(text);
    for (const auto &[ours, qt] : ButtonPairs) {
        if (qt == chosen)
            return ours;
    }
    return cautiousAnswer(buttons);
}

bool MessageBoxPresenter::boxesCanBeSeen()
{
    const QString platform = QGuiApplication::platformName();
    return platform != u"offscreen" && platform != u"minimal";
}

MessagePresenter::Button MessageBoxPresenter::cautiousAnswer(int buttons)
{
    // As a box closed with Escape or the title bar answers.
    for (Button b : {Cancel, Abort, No, Ok}) {
        if (buttons & b)
            return b;
    }
    return Ok;
}

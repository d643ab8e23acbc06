// TForm1: the section bar's hint and pop-up menu, and the speed trainer of the A-B sections.
// UI thread only.
#include "engine/TLxPlayer.h"
#include "mainwindow/SpeedTrainerDialog.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxSliderMng.h"

#include <QMenu>
#include <QShortcut>

#include <algorithm>

namespace {

QString sectionText(const TLxABLoopInfo &section)
{
    return QStringLiteral("区間 %1 - %2")
        .arg(TLxPlayer::FormatTime(section.PosA), TLxPlayer::FormatTime(section.PosB));
}

} // namespace

void TForm1::createSectionBarMenu()
{
    m_sectionMenu = new QMenu(this);
    m_sectionMenu->setObjectName(QStringLiteral("PopupMenuSectionBar"));
    PopupSpeedTrainer =
        m_sectionMenu->addAction(QStringLiteral("スピードトレーナー...(&S)"), this, [this] {
            runHandler([this] { ShowSpeedTrainerDialog(m_menuSection); });
        });
    // A window shortcut: it runs before any key handling of the window and the play list.
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(shortcut, &QShortcut::activated, this,
            [this] { runHandler([this] { ShowSpeedTrainerDialog(m_session->PlayedSection()); }); });
    PaintBox3->hintAt = [this](QPoint p) { return SectionBarHint(p); };
    PaintBox3->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PaintBox3, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        // The bar's pixels are skin pixels, scaled as the screen needs.
        const int x = at.x() * PaintBox3->canvas().width() / std::max(1, PaintBox3->width());
        const int under = m_player->MusicInfoMng().SectionAtX(x);
        PopupMenuSectionBarPopup(PaintBox3->mapToGlobal(at),
                                 under >= 0 ? under : m_session->PlayedSection());
    });
}

void TForm1::PopupMenuSectionBarPopup(QPoint globalPos, int section)
{
    m_menuSection = section;
    PopupSpeedTrainer->setEnabled(m_player->MusicInfoMng().Section(section).has_value());
    m_sectionMenu->popup(globalPos);
}

void TForm1::ShowSpeedTrainerDialog(int section)
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    const std::optional<TLxABLoopInfo> chosen = mng.Section(section);
    QString path;
    if (!chosen || !mng.GetCurrentFileName(path))
        return;
    SpeedTrainerDialog dialog(chosen->Trainer, MinOfSpeed, MaxOfSpeed, sectionText(*chosen), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The dialog's event loop may have moved on to another song or changed the sections: the
    // trainer goes to the section it was set for, wherever that is now.
    const int entry = mng.IndexOf(path);
    const TLxMusicInfo *info = mng.Entry(entry);
    if (!info)
        return;
    const auto found = std::find_if(info->Sections.begin(), info->Sections.end(),
                                    [&](const TLxABLoopInfo &s) { return s.sameRange(*chosen); });
    if (found == info->Sections.end())
        return;
    const TLxMutexLocker locked(PaintMutex);
    mng.SetSectionTrainer(entry, int(found - info->Sections.begin()), dialog.trainer());
}

SkinPaintBox::Hint TForm1::SectionBarHint(QPoint barPos) const
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    const int index = mng.SectionAtX(barPos.x());
    const std::optional<TLxABLoopInfo> section = mng.Section(index);
    if (!section)
        return {};
    QString text = sectionText(*section);
    if (section->Trainer) {
        text += u'\n' + section->Trainer->describe();
        if (m_session->Trainer().section() == index)
            text += QStringLiteral("\n%1回繰返し: %2%")
                        .arg(m_session->Trainer().repeats())
                        .arg(section->Trainer->speedAfter(m_session->Trainer().repeats()));
    }
    const int x1 = mng.PosToX(section->PosA);
    const int x2 = std::max(mng.PosToX(section->PosB), x1 + 1);
    return {text, QRect(x1, 0, x2 - x1, PaintBox3->canvas().height())};
}

// TForm1: the play list's own commands: playing a line, deleting and moving entries.
#include "engine/TLxPlayer.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/TForm1.h"
#include "playlist/PlayListFile.h"

#include <QFileInfo>

void TForm1::ListBoxPlayListDblClick()
{
    const int line = ListBoxPlayList->itemIndex();
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    if (line < 0 || line >= mng.GetCount())
        return;
    SleepElapsedMs = 0;
    SleepState = 0;
    StopPlayback();
    mng.SetCurrentIndex(line);
    mng.ResetPlayed(line);
    QString name;
    if (mng.GetCurrentFileName(name) && PlayFile(name)) {
        SleepElapsedMs = 0;
        SleepState = 1;
    }
}

void TForm1::DeleteSelectedEntries()
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    const int current = mng.GetCurrentIndex();
    int kept = -1;
    for (int line = mng.GetCount() - 1; line >= 0; --line) {
        const QListWidgetItem *item = ListBoxPlayList->item(line);
        if (!item || !item->isSelected())
            continue;
        if (line == current) {
            SleepElapsedMs = 0;
            SleepState = 0;
            StopPlayback();
        }
        mng.DeleteEntry(line);
        kept = line;
    }
    if (kept >= mng.GetCount())
        kept = mng.GetCount() - 1;
    if (kept >= 0)
        ListBoxPlayList->setLineSelected(kept, true);
    updateButtons(0, isPlayOn());
}

void TForm1::MoveSelectedEntries(const QString &name)
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    const int count = mng.GetCount();
    if (count <= 1)
        return;
    const auto selected = [this](int line) { return ListBoxPlayList->item(line)->isSelected(); };
    // Walking against the direction of the move carries a block of adjacent lines as a whole.
    const bool down = name == u"BUTTON_LISTDOWN";
    bool moved = false;
    for (int i = 0; i < count - 1; ++i) {
        const int line = down ? count - 2 - i : i + 1;
        const int target = down ? line + 1 : line - 1;
        if (!selected(line) || selected(target))
            continue;
        mng.MoveEntry(line, name);
        ListBoxPlayList->setLineSelected(target, true);
        ListBoxPlayList->setLineSelected(line, false);
        moved = true;
    }
    if (moved) {
        updateButtons(0, isPlayOn());
        ListBoxPlayList->repaintNow();
    }
}

void TForm1::CopyDataReceived(const QString &path, const std::function<void()> &done)
{
    ListBoxPlayList->clearSelection();
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    if (QFileInfo(path).suffix() == u"qlx")
        PlayListFile::load(mng, path);
    else
        ProcessCommandLine({path});
    updateButtons(0, false);
    if (mng.GetCount() > 0) {
        mng.SetCurrentIndex(mng.LastAddedIndex());
        QString name;
        if (mng.GetCurrentFileName(name))
            PlayFile(name);
    }
    if (done)
        done();
}

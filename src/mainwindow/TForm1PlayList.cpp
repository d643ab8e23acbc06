// TForm1: the play list: its lines and pop-up menu, playing a line, deleting and moving
// entries, and every way files reach it (command line, open dialog, drops, a second copy).
#include "engine/TLxPlayer.h"
#include "mainwindow/FileIntake.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/PracticeExport.h"
#include "mainwindow/QuitRequest.h"
#include "mainwindow/TForm1.h"
#include "playlist/PlayListFile.h"
#include "propertydialog/TPlayPropertyDlg.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>

namespace {

QStringList localFiles(const QMimeData *data)
{
    QStringList paths;
    if (!data)
        return paths;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

bool TForm1::isPlayListFile(const QString &path)
{
    return QFileInfo(path).suffix() == u"qlx";
}

void TForm1::createPlayListControls()
{
    ListBoxPlayList->setLineMarks(
        SkinImage::load(SkinImage::skinFilePath(SkinLayout::SelectedLineFile)),
        SkinImage::load(SkinImage::skinFilePath(SkinLayout::NormalLineFile)),
        [this] { return m_player->MusicInfoMng().GetCurrentIndex(); });
    ListBoxPlayList->onContextMenu = [this](QPoint at) { PopupMenuPlayListPopup(at); };
    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName(QStringLiteral("PopupMenuPlayList"));
    PopupProperty = m_popupMenu->addAction(QStringLiteral("プロパティ...(&E)"), this,
                                           [this] { ShowEntryProperties(); });
    PopupDelete =
        m_popupMenu->addAction(QStringLiteral("削除(&R)"), this, [this] { PopupDeleteClick(); });
    PopupUp = m_popupMenu->addAction(QStringLiteral("上へ (&U)"), this, [this] { PopupUpClick(); });
    PopupDown =
        m_popupMenu->addAction(QStringLiteral("下へ (&D)"), this, [this] { PopupDownClick(); });
    // A child: goes with the window.
    auto *practice = new PracticeExport(*m_session, this, m_messages);
    m_popupMenu->addAction(QStringLiteral("練習用に書き出し..."), practice,
                           [this, practice] { practice->start(SingleSelectedIndex()); });
    m_intake = std::make_unique<FileIntake>(
        [this](const QString &path, TLxMusicInfo &probed) {
            return m_player->ProbeFile(path, probed, false);
        },
        [this](const QString &path, const TLxMusicInfo &probed, bool select) {
            const int index = m_player->MusicInfoMng().AddEntry(path, probed, select, false);
            return index >= 0    ? FileIntake::Added::Yes
                   : index == -2 ? FileIntake::Added::Abort
                                 : FileIntake::Added::Skipped;
        },
        this);
    setAcceptDrops(true);
    // Built now, so that a missing skin image is reported at start-up, not at the first click.
    m_propertyDlg = std::make_unique<TPlayPropertyDlg>(this);
}

void TForm1::ListBoxPlayListDblClick()
{
    const int line = ListBoxPlayList->itemIndex();
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    if (line < 0 || line >= mng.GetCount())
        return;
    const TLxMutexLocker locked(PlayMutex);
    m_session->ResetPlayLimit(PracticeSession::PlayLimit::Off);
    StopPlayback();
    mng.SetCurrentIndex(line);
    mng.ResetPlayed(line);
    QString name;
    if (mng.GetCurrentFileName(name) && PlayFile(name))
        m_session->ResetPlayLimit(PracticeSession::PlayLimit::Counting);
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
            m_session->ResetPlayLimit(PracticeSession::PlayLimit::Off);
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

int TForm1::SingleSelectedIndex() const
{
    const QList<QListWidgetItem *> selected = ListBoxPlayList->selectedItems();
    return selected.size() == 1 ? ListBoxPlayList->row(selected.first()) : -1;
}

void TForm1::PopupMenuPlayListPopup(QPoint globalPos)
{
    const bool several = m_player->MusicInfoMng().GetCount() > 1;
    PopupUp->setEnabled(several);
    PopupDown->setEnabled(several);
    m_popupMenu->popup(globalPos);
}

void TForm1::PopupDeleteClick()
{
    DeleteSelectedEntries();
}

void TForm1::PopupUpClick()
{
    if (ListBoxPlayList->itemIndex() >= 0)
        MoveSelectedEntries(QStringLiteral("BUTTON_LISTUP"));
}

void TForm1::PopupDownClick()
{
    if (ListBoxPlayList->itemIndex() >= 0)
        MoveSelectedEntries(QStringLiteral("BUTTON_LISTDOWN"));
}

void TForm1::AddPathToPlayList(const QStringList &paths, bool select,
                               const std::function<void(const FileIntakeOutcome &)> &done)
{
    m_intake->start(paths, select, done);
}

void TForm1::LoadPlayListFile(const QString &path, bool playLast, const std::function<void()> &done)
{
    // Queued behind any intake still running, so that a folder being read cannot land in
    // the playlist that replaces it.
    AddPathToPlayList({}, false, [this, path, playLast, done](const FileIntakeOutcome &) {
        // A playlist that is missing or damaged would leave an empty list (saved over the
        // default playlist a second later): the user's list stays instead.
        if (!PlayListFile::isReadable(path)) {
            m_messages.show(QStringLiteral("プレイリストファイルを読み込めませんでした。\n%1")
                                .arg(QDir::toNativeSeparators(path)),
                            MessagePresenter::Icon::Error, MessagePresenter::Ok);
        } else {
            // The song playing belongs to the list being replaced.
            StopPlayback();
            TLxMusicInfoMng &mng = m_player->MusicInfoMng();
            loadPlayListFileNow(path);
            m_session->NotifyPlayListChanged(); // its entries and current line are new
            updateButtons(0, false);
            ListBoxPlayList->repaintNow();
            if (playLast)
                playEntry(mng.LastAddedIndex()); // the last entry loaded
        }
        if (done)
            done();
    });
}

void TForm1::loadPlayListFileNow(const QString &path)
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    // A box of the load runs an event loop: no autosave may write the half-loaded list, and
    // a quit that comes meanwhile leaves the default playlist as it was before.
    m_loadingPlayList = true;
    PlayListFile::load(mng, path);
    m_loadingPlayList = false;
    if (QuitRequest::requested())
        mng.SetSaveOnDestroy(false);
    else
        AutoSaveTimer.start();
}

void TForm1::playEntry(int index)
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    if (index < 0 || index >= mng.GetCount())
        return;
    mng.SetCurrentIndex(index);
    QString name;
    if (mng.GetCurrentFileName(name))
        PlayFile(name);
}

void TForm1::ProcessCommandLine(const QStringList &paths)
{
    if (paths.size() == 1 && isPlayListFile(paths.first())) {
        LoadPlayListFile(paths.first()); // loaded, not started
        return;
    }
    if (paths.isEmpty())
        return;
    AddPathToPlayList(paths, true, [this](const FileIntakeOutcome &outcome) {
        updateButtons(0, isPlayOn());
        if (outcome.added > 0)
            playEntry(m_player->MusicInfoMng().IndexOf(outcome.lastAdded));
    });
}

void TForm1::DropFiles(const QStringList &paths)
{
    ListBoxPlayList->clearSelection();
    if (paths.size() == 1 && isPlayListFile(paths.first())) {
        LoadPlayListFile(paths.first());
        return;
    }
    // Nothing starts playing; a song that plays keeps its A-B buttons.
    AddPathToPlayList(paths, true,
                      [this](const FileIntakeOutcome &) { updateButtons(0, isPlayOn()); });
}

void TForm1::CopyDataReceived(const QString &path, const std::function<void()> &done)
{
    ListBoxPlayList->clearSelection();
    if (isPlayListFile(path)) {
        LoadPlayListFile(path, true, done);
        return;
    }
    // A path that brings nothing playable leaves the song that plays alone.
    AddPathToPlayList({path}, true, [this, done](const FileIntakeOutcome &outcome) {
        updateButtons(0, isPlayOn());
        if (outcome.added > 0)
            playEntry(m_player->MusicInfoMng().IndexOf(outcome.lastAdded));
        if (done)
            done();
    });
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    DropFiles(paths);
}

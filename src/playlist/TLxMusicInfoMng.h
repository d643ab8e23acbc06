#pragma once

#include "common/AtomicWrite.h"
#include "playlist/TLxMusicInfo.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

class PaintSurface;
class PlayListView;
class TLxMutex;

// The playlist: the song entries in display order, the current entry, sequential and random
// order of play, the mirror of every change in the play list box, and the A-B section bar of
// the current song. Exactly one exists; the playback engine owns it. Destroying it saves the
// playlist to the default playlist file.
// UI thread only.
class TLxMusicInfoMng {
public:
    enum class MissingFileAnswer { Skip, Abort };
    // Asked when AddEntry meets a file that does not exist; the main window shows
    // missingFileMessage() with the buttons OK (Skip) and Abort.
    using MissingFileQuestion = std::function<MissingFileAnswer(const QString &fileName)>;
    static QString missingFileMessage(const QString &fileName);

    TLxMusicInfoMng();
    ~TLxMusicInfoMng();
    TLxMusicInfoMng(const TLxMusicInfoMng &) = delete;
    TLxMusicInfoMng &operator=(const TLxMusicInfoMng &) = delete;

    // Neither view is owned; both must outlive the manager or be detached with nullptrs.
    void SetViews(PaintSurface *sectionBar, PlayListView *listBox);
    void SetMissingFileQuestion(MissingFileQuestion question);
    // The window's "QuillmerePlayer_Record" lock, held while the section bar is repainted.
    void SetSectionBarLock(TLxMutex *lock) { m_sectionBarLock = lock; }
    // Called after every change that the playlist file keeps (entries, their order, lengths,
    // formats and sections), so that the owner can save soon instead of only at exit.
    void SetChangeListener(std::function<void()> listener) { m_changed = std::move(listener); }

    // The default playlist's path; an empty file is created there first if none exists.
    QString GetDefaultPlayListName() const;
    // Writes the playlist (UTF-8, CR LF) without ever leaving a half-written file.
    quillmere::WriteResult SaveToFile(const QString &fileName) const;
    // A save that drops more than one entry first keeps the file it replaces as the backup.
    quillmere::WriteResult SaveDefaultPlayList() const;
    // Writes the list as it is now to the default playlist's backup, before entries leave it.
    quillmere::WriteResult SaveDefaultPlayListBackup() const;
    // False keeps the destructor from overwriting the default playlist (used when a damaged
    // default playlist could not be copied aside).
    void SetSaveOnDestroy(bool save) { m_saveOnDestroy = save; }
    bool SavesDefaultPlayList() const { return m_saveOnDestroy; }

    int GetCount() const { return static_cast<int>(m_entries.size()); }
    int GetCurrentIndex() const { return m_currentIndex; }
    // The entry added or found last (the last one loaded from a file); -1 when it is gone.
    int LastAddedIndex() const { return m_lastAddedIndex; }
    // The entry of that exact path; -1 when it is not listed.
    int IndexOf(const QString &fileName) const;
    void SetCurrentIndex(int i);
    // Adds line i of the play list box to its selection.
    void SelectLine(int i);
    TLxMusicInfo *Entry(int i);
    const TLxMusicInfo *Entry(int i) const;

    // The index of the entry for fileName (added, or found when the path is already listed);
    // -1 when the user skipped a missing file (or the name holds a line break, which the
    // playlist file cannot keep), -2 when they chose to abort.
    int AddEntry(const QString &fileName, const TLxMusicInfo &tmpl, bool select, bool makeCurrent);
    void DeleteEntry(int i);
    // The length and format of entry i, learnt after it was added (a probe).
    void SetEntryInfo(int i, qint64 length, const QString &audioFormat);
    // Entry i's file now lives at fileName (renamed or moved); its line shows the new name.
    void SetEntryFileName(int i, const QString &fileName);
    // Swaps entry i with the one above ("BUTTON_LISTUP") or below (any other name).
    void MoveEntry(int i, QStringView buttonName);
    // Removes every entry and every list line; the list box's item index becomes -1.
    void Clear();

    bool GetCurrentFileName(QString &name) const;
    bool NextEntry(QString &name);
    bool PrevEntry(QString &name);
    // Random order without repetition: every entry once per cycle.
    bool RandomEntry(QString &name);
    void SetPlayed(int i);
    void ResetPlayed(int i);

    // The A, B and delete-section buttons, on the current entry.
    void SetPointA(qint64 pos, bool addNew);
    int SetPointB(qint64 pos);
    bool DeleteSection(qint64 pos);
    qint64 NextSectionStart(qint64 pos) const;
    qint64 PrevSectionStart(qint64 pos) const;
    int FindSection(qint64 pos) const;
    qint64 SectionRestartPos(int index, qint64 pos) const;
    // Section `index` of the current entry, if there is one.
    std::optional<TLxABLoopInfo> Section(int index) const;
    // Gives section `section` of entry `entry` a speed trainer, or takes it away (nullopt).
    void SetSectionTrainer(int entry, int section, const std::optional<SpeedTrainer> &trainer);
    // The first section of the current entry (list order) drawn over column x of the bar.
    int SectionAtX(int x) const;

    // The section bar.
    void DrawSectionBar();
    int PosToX(qint64 pos) const;
    void DrawPosition(qint64 pos);
    void DrawMarker(qint64 pos, const QColor &colour, bool force);
    void DrawMarkerLine(int x, const QColor &colour, bool force);
    void SetCurrentLength(qint64 length);
    qint64 RangeEnd() const { return m_rangeEnd; }

private:
    const TLxMusicInfo *currentEntry() const;
    TLxMusicInfo *currentEntry();
    void fillColumn(int x, const QColor &colour);
    void changed() const
    {
        if (m_changed)
            m_changed();
    }

    QRect m_barRect;
    int m_markX = -1;
    QColor m_markSavedColor;
    PaintSurface *m_sectionBar = nullptr;
    TLxMutex *m_sectionBarLock = nullptr;
    qint64 m_rangeStart = 0;
    qint64 m_rangeEnd = 0;
    int m_currentIndex = 0;
    PlayListView *m_listBox = nullptr;
    std::vector<std::unique_ptr<TLxMusicInfo>> m_entries;
    int m_lastAddedIndex = -1;
    MissingFileQuestion m_missingFileQuestion;
    std::function<void()> m_changed;
    std::mt19937 m_random{std::random_device{}()};
    bool m_saveOnDestroy = true;
};

#include "playlist/TLxMusicInfoMng.h"

#include "common/AppPaths.h"
#include "common/PaintSurface.h"
#include "common/TextLines.h"
#include "playlist/DefaultPlayListBackup.h"
#include "playlist/PlayListFile.h"
#include "playlist/PlayListView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

QString TLxMusicInfoMng::missingFileMessage(const QString &fileName)
{
    return QStringLiteral("オーディオファイル[%1]がありません。").arg(fileName);
}

TLxMusicInfoMng::TLxMusicInfoMng() = default;

TLxMusicInfoMng::~TLxMusicInfoMng()
{
    // Nobody is left to hear of a failure here; the old default playlist stays intact then.
    if (m_saveOnDestroy)
        SaveDefaultPlayList();
}

void TLxMusicInfoMng::SetViews(PaintSurface *sectionBar, PlayListView *listBox)
{
    m_sectionBar = sectionBar;
    m_listBox = listBox;
    m_barRect = sectionBar ? QRect(QPoint(0, 0), sectionBar->canvas().size()) : QRect();
}

void TLxMusicInfoMng::SetMissingFileQuestion(MissingFileQuestion question)
{
    m_missingFileQuestion = std::move(question);
}

QString TLxMusicInfoMng::GetDefaultPlayListName() const
{
    const QString name = quillmere::AppPaths::defaultPlayListFile();
    if (!QFileInfo::exists(name)) {
        QDir().mkpath(QFileInfo(name).absolutePath());
        QFile(name).open(QIODevice::WriteOnly); // a failure shows up when reading or saving
    }
    return name;
}

quillmere::WriteResult TLxMusicInfoMng::SaveDefaultPlayList() const
{
    const QString name = GetDefaultPlayListName();
    // One entry fewer is a deletion the user just made; more is worth keeping the old list.
    if (DefaultPlayListBackup::entriesIn(name) > GetCount() + 1)
        DefaultPlayListBackup::keepFile(name);
    return SaveToFile(name);
}

quillmere::WriteResult TLxMusicInfoMng::SaveDefaultPlayListBackup() const
{
    return SaveToFile(DefaultPlayListBackup::pathFor(GetDefaultPlayListName()));
}

void TLxMusicInfoMng::SetCurrentIndex(int i)
{
    m_currentIndex = i;
    if (m_listBox) {
        m_listBox->setItemIndex(i);
        m_listBox->repaintNow();
    }
}

void TLxMusicInfoMng::SelectLine(int i)
{
    if (m_listBox)
        m_listBox->setLineSelected(i, true);
}

TLxMusicInfo *TLxMusicInfoMng::Entry(int i)
{
    return i >= 0 && i < GetCount() ? m_entries[i].get() : nullptr;
}

const TLxMusicInfo *TLxMusicInfoMng::Entry(int i) const
{
    return i >= 0 && i < GetCount() ? m_entries[i].get() : nullptr;
}

const TLxMusicInfo *TLxMusicInfoMng::currentEntry() const
{
    return Entry(m_currentIndex);
}

TLxMusicInfo *TLxMusicInfoMng::currentEntry()
{
    return Entry(m_currentIndex);
}

int TLxMusicInfoMng::IndexOf(const QString &fileName) const
{
    for (int i = 0; i < GetCount(); ++i) {
        if (m_entries[i]->FileName == fileName)
            return i;
    }
    return -1;
}

void TLxMusicInfoMng::SetEntryInfo(int i, qint64 length, const QString &audioFormat)
{
    TLxMusicInfo *entry = Entry(i);
    if (!entry)
        return;
    entry->Length = length;
    entry->AudioFormat = audioFormat;
    changed();
}

void TLxMusicInfoMng::SetEntryFileName(int i, const QString &fileName)
{
    TLxMusicInfo *entry = Entry(i);
    if (!entry)
        return;
    entry->FileName = fileName;
    if (m_listBox)
        m_listBox->setLineText(i, QFileInfo(fileName).fileName());
    changed();
}

int TLxMusicInfoMng::AddEntry(const QString &fileName, const TLxMusicInfo &tmpl, bool select,
                              bool makeCurrent)
{
    if (const int i = IndexOf(fileName); i >= 0) {
        if (makeCurrent)
            SetCurrentIndex(i);
        TLxMusicInfo &entry = *m_entries[i];
        if (tmpl.Length != 0) {
            entry.Length = tmpl.Length;
            entry.AudioFormat = tmpl.AudioFormat;
            changed();
        }
        m_rangeEnd = entry.Length;
        m_lastAddedIndex = i;
        if (select && m_listBox)
            m_listBox->setLineSelected(i, true);
        DrawSectionBar();
        return i;
    }

    // A line break in a name would split its line of the playlist file and shift every value
    // after it; such a file is left out, as a file that cannot be played is.
    if (fileName.contains(u'\n') || fileName.contains(u'\r'))
        return -1;
    const QFileInfo file(fileName);
    if (fileName.isEmpty() || !file.isFile()) {
        const MissingFileAnswer answer =
            m_missingFileQuestion ? m_missingFileQuestion(fileName) : MissingFileAnswer::Skip;
        return answer == MissingFileAnswer::Abort ? -2 : -1;
    }

    auto entry = std::make_unique<TLxMusicInfo>();
    entry->FileName = fileName;
    entry->Length = tmpl.Length;
    entry->AudioFormat = tmpl.AudioFormat;

    const int index = GetCount();
    m_lastAddedIndex = index;
    m_entries.push_back(std::move(entry));
    if (m_listBox) {
        m_listBox->addLine(file.fileName());
        if (select)
            m_listBox->setLineSelected(index, true);
    }
    // After the line exists, so that the list box's focus can land on it.
    if (makeCurrent)
        SetCurrentIndex(index);
    DrawSectionBar();
    changed();
    return index;
}

void TLxMusicInfoMng::DeleteEntry(int i)
{
    if (i < 0 || i >= GetCount())
        return;
    if (m_listBox) {
        const int itemIndex = m_listBox->itemIndex();
        m_listBox->deleteLine(i);
        m_listBox->setItemIndex(itemIndex);
    }
    m_entries.erase(m_entries.begin() + i);
    // The last added entry is followed like the current one, so that it never names another.
    if (i == m_lastAddedIndex)
        m_lastAddedIndex = -1;
    else if (i < m_lastAddedIndex)
        --m_lastAddedIndex;
    if (i < m_currentIndex)
        --m_currentIndex;
    else if (m_currentIndex >= GetCount())
        m_currentIndex = GetCount() - 1;
    changed();
}

void TLxMusicInfoMng::MoveEntry(int i, QStringView buttonName)
{
    const int other = buttonName == u"BUTTON_LISTUP" ? i - 1 : i + 1;
    if (i >= 0 && i < GetCount() && other >= 0 && other < GetCount()) {
        if (m_listBox)
            m_listBox->swapLines(i, other);
        std::swap(m_entries[i], m_entries[other]);
        if (m_currentIndex == i)
            m_currentIndex = other;
        else if (m_currentIndex == other)
            m_currentIndex = i;
        if (m_lastAddedIndex == i)
            m_lastAddedIndex = other;
        else if (m_lastAddedIndex == other)
            m_lastAddedIndex = i;
        changed();
    }
    if (m_listBox)
        m_listBox->repaintNow();
}

void TLxMusicInfoMng::Clear()
{
    m_entries.clear();
    m_lastAddedIndex = -1;
    changed();
    if (m_listBox) {
        for (int line = m_listBox->lineCount() - 1; line >= 0; --line)
            m_listBox->deleteLine(line);
        m_listBox->setItemIndex(-1);
    }
}

bool TLxMusicInfoMng::GetCurrentFileName(QString &name) const
{
    const TLxMusicInfo *entry = currentEntry();
    if (!entry)
        return false;
    name = entry->FileName;
    return true;
}

bool TLxMusicInfoMng::NextEntry(QString &name)
{
    if (m_entries.empty())
        return false;
    SetCurrentIndex(m_currentIndex + 1);
    if (m_currentIndex >= GetCount() || m_currentIndex < 0)
        SetCurrentIndex(0);
    return GetCurrentFileName(name);
}

bool TLxMusicInfoMng::PrevEntry(QString &name)
{
    if (m_entries.empty())
        return false;
    SetCurrentIndex(m_currentIndex - 1);
    if (m_currentIndex < 0 || m_currentIndex >= GetCount())
        SetCurrentIndex(GetCount() - 1);
    return GetCurrentFileName(name);
}

bool TLxMusicInfoMng::RandomEntry(QString &name)
{
    if (m_entries.empty())
        return false;
    int unplayed = 0;
    for (const auto &entry : m_entries)
        unplayed += entry->Played ? 0 : 1;
    if (unplayed == 0) {
        for (const auto &entry : m_entries)
            entry->Played = false;
        unplayed = GetCount();
    }
    int r = std::uniform_int_distribution<int>(0, unplayed - 1)(m_random);
    for (int i = 0; i < GetCount(); ++i) {
        if (m_entries[i]->Played || r-- > 0)
            continue;
        m_entries[i]->Played = true;
        SetCurrentIndex(i);
        break;
    }
    return GetCurrentFileName(name);
}

void TLxMusicInfoMng::SetPlayed(int i)
{
    if (TLxMusicInfo *entry = Entry(i))
        entry->Played = true;
}

void TLxMusicInfoMng::ResetPlayed(int i)
{
    for (int k = 0; k < GetCount(); ++k)
        m_entries[k]->Played = k == i;
}

void TLxMusicInfoMng::SetPointA(qint64 pos, bool addNew)
{
    if (TLxMusicInfo *entry = currentEntry()) {
        entry->SetPointA(pos, addNew);
        DrawSectionBar();
        changed();
    }
}

int TLxMusicInfoMng::SetPointB(qint64 pos)
{
    TLxMusicInfo *entry = currentEntry();
    if (!entry)
        return -1;
    const int result = entry->SetPointB(pos);
    DrawSectionBar();
    if (result >= 0)
        changed();
    return result;
}

bool TLxMusicInfoMng::DeleteSection(qint64 pos)
{
    if (TLxMusicInfo *entry = currentEntry()) {
        const std::size_t before = entry->Sections.size();
        entry->DeleteSection(pos);
        if (entry->Sections.size() != before) {
            DrawSectionBar();
            changed();
        }
    }
    return true;
}

qint64 TLxMusicInfoMng::NextSectionStart(qint64 pos) const
{
    const TLxMusicInfo *entry = currentEntry();
    return entry ? entry->NextSectionStart(pos) : -1;
}

qint64 TLxMusicInfoMng::PrevSectionStart(qint64 pos) const
{
    const TLxMusicInfo *entry = currentEntry();
    return entry ? entry->PrevSectionStart(pos) : -1;
}

int TLxMusicInfoMng::FindSection(qint64 pos) const
{
    const TLxMusicInfo *entry = currentEntry();
    return entry ? entry->FindSection(pos) : -1;
}

qint64 TLxMusicInfoMng::SectionRestartPos(int index, qint64 pos) const
{
    const TLxMusicInfo *entry = currentEntry();
    return entry ? entry->SectionRestartPos(index, pos) : -1;
}

std::optional<TLxABLoopInfo> TLxMusicInfoMng::Section(int index) const
{
    const TLxMusicInfo *entry = currentEntry();
    if (!entry || index < 0 || index >= int(entry->Sections.size()))
        return std::nullopt;
    return entry->Sections[size_t(index)];
}

void TLxMusicInfoMng::SetSectionTrainer(int entry, int section,
                                        const std::optional<SpeedTrainer> &trainer)
{
    TLxMusicInfo *info = Entry(entry);
    if (!info || section < 0 || section >= int(info->Sections.size()))
        return;
    std::optional<SpeedTrainer> &kept = info->Sections[size_t(section)].Trainer;
    if (kept != trainer) {
        kept = trainer;
        changed();
    }
}

int TLxMusicInfoMng::SectionAtX(int x) const
{
    const TLxMusicInfo *entry = currentEntry();
    if (!entry)
        return -1;
    for (size_t i = 0; i < entry->Sections.size(); ++i) {
        const TLxABLoopInfo &s = entry->Sections[i];
        const int x1 = PosToX(s.PosA);
        // Drawn at least one pixel wide, as the bar shows it.
        if (x >= x1 && x < std::max(PosToX(s.PosB), x1 + 1))
            return int(i);
    }
    return -1;
}

void TLxMusicInfoMng::SetCurrentLength(qint64 length)
{
    m_rangeStart = 0;
    m_rangeEnd = length;
    TLxMusicInfo *entry = currentEntry();
    const bool learnt = entry && entry->Length != length;
    if (entry)
        entry->Length = length;
    DrawSectionBar();
    if (learnt) // every start of a song sets its length; only a new one is worth saving
        changed();
}

quillmere::WriteResult TLxMusicInfoMng::SaveToFile(const QString &fileName) const
{
    return quillmere::atomicWrite(fileName,
                                  quillmere::joinLinesUtf8(PlayListFile::format(*this), u"\r\n"));
}

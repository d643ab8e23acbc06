#include "playlist/PlayListFile.h"

#include "common/IniFile.h"
#include "common/TextLines.h"
#include "playlist/DefaultPlayListBackup.h"
#include "playlist/TLxMusicInfoMng.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace PlayListFile {
namespace {

const QString Begin = QStringLiteral("Begin");
const QString End = QStringLiteral("End");
const QString Dummy = QStringLiteral("// Dummy");
const QString Reserved = QStringLiteral("    ");
constexpr int MaxSectionPieces = 100;

bool isComment(const QString &line)
{
    return line.size() >= 2 && line.startsWith(u"//");
}

bool toInt64(const QString &text, qint64 &value)
{
    return quillmere::parseDecimal(text, value);
}

bool toInt32(const QString &text, int &value)
{
    qint64 wide = 0;
    if (!toInt64(text, wide) || wide < std::numeric_limits<int>::min() ||
        wide > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(wide);
    return true;
}

QString sectionsLine(const std::vector<TLxABLoopInfo> &sections)
{
    QStringList values;
    for (const TLxABLoopInfo &s : sections)
        values << QString::number(s.PosA) << QString::number(s.PosB);
    return values.join(u',');
}

} // namespace

QStringList format(const TLxMusicInfoMng &mng)
{
    QStringList lines{QStringLiteral("// Index"), QString::number(mng.GetCurrentIndex())};
    for (int i = 0; i < mng.GetCount(); ++i) {
        const TLxMusicInfo &entry = *mng.Entry(i);
        lines << Begin << QStringLiteral("// File") << entry.FileName << QStringLiteral("// Status")
              << QString::number(entry.Status) << QStringLiteral("// Length")
              << QString::number(entry.Length) << QStringLiteral("// Audio Format")
              << entry.AudioFormat << QStringLiteral("// A-BLoop") << sectionsLine(entry.Sections);
        for (int k = 0; k < 4; ++k)
            lines << Dummy << Reserved;
        for (size_t k = 0; k < entry.Sections.size(); ++k) {
            if (const auto &trainer = entry.Sections[k].Trainer)
                lines << TrainerTag.toString() + QString::number(k) + u':' + trainer->toText();
        }
        lines << End;
    }
    return lines;
}

Document parse(const QStringList &lines)
{
    enum class State {
        Start,
        SeekBegin,
        Path,
        Status,
        Length,
        Format,
        Sections,
        Reserved,
        SeekEnd
    };
    Document doc;
    State state = State::Start;
    int reservedLeft = 0;
    for (const QString &line : lines) {
        const bool inBlock =
            state != State::Start && state != State::SeekBegin && state != State::Path;
        if (inBlock && line.startsWith(TrainerTag))
            doc.blocks.back().trainers << line.sliced(TrainerTag.size());
        if (isComment(line))
            continue;
        switch (state) {
        case State::Start:
            doc.indexText = line == Begin ? QStringLiteral("0") : line;
            state = line == Begin ? State::Path : State::SeekBegin;
            break;
        case State::SeekBegin:
            if (line == Begin)
                state = State::Path;
            else if (!line.trimmed().isEmpty())
                ++doc.ignoredLines;
            break;
        case State::Path:
            doc.blocks.push_back(Block{line, {}, {}, {}, {}, false, {}});
            state = State::Status;
            break;
        case State::Status:
            doc.blocks.back().status = line;
            state = State::Length;
            break;
        case State::Length:
            doc.blocks.back().length = line;
            state = State::Format;
            break;
        case State::Format:
            doc.blocks.back().format = line;
            state = State::Sections;
            break;
        case State::Sections:
            doc.blocks.back().sections = line;
            state = State::Reserved;
            reservedLeft = 4;
            break;
        case State::Reserved:
            if (--reservedLeft == 0)
                state = State::SeekEnd;
            break;
        case State::SeekEnd:
            if (line == End) {
                doc.blocks.back().ended = true;
                state = State::SeekBegin;
            } else {
                ++doc.ignoredLines;
            }
            break;
        }
    }
    return doc;
}

std::optional<std::vector<TLxABLoopInfo>> parseSections(const QString &text)
{
    std::vector<TLxABLoopInfo> sections;
    TLxABLoopInfo waiting;
    bool isWaiting = false;
    auto apply = [&](const QString &piece) {
        qint64 value = 0;
        if (!toInt64(piece, value))
            return false;
        if (isWaiting) {
            waiting.PosB = value;
            sections.push_back(waiting);
        } else {
            waiting = TLxABLoopInfo{value, 0};
        }
        isWaiting = !isWaiting;
        return true;
    };

    qsizetype start = 0;
    for (int pieces = 0; pieces < MaxSectionPieces; ++pieces) {
        const qsizetype comma = text.indexOf(u',', start);
        if (comma < 0) {
            // The last piece counts only when it completes a waiting section.
            const QString last = text.sliced(start);
            if (!last.isEmpty() && isWaiting && !apply(last))
                return std::nullopt;
            break;
        }
        if (!apply(text.sliced(start, comma - start)))
            return std::nullopt;
        start = comma + 1;
    }
    return sections;
}

namespace {

void applyTrainers(const QStringList &texts, std::vector<TLxABLoopInfo> &sections)
{
    // A damaged trainer line costs only that trainer: the songs and sections stay, as an
    // older reader would keep them.
    for (const QString &text : texts) {
        const qsizetype colon = text.indexOf(u':');
        qint64 index = -1;
        if (colon < 0 || !toInt64(text.first(colon), index) || index < 0 ||
            index >= qint64(sections.size()))
            continue;
        if (const auto trainer = SpeedTrainer::fromText(QStringView(text).sliced(colon + 1)))
            sections[size_t(index)].Trainer = trainer;
    }
}

} // namespace

std::optional<BlockValues> convert(const Block &block)
{
    BlockValues values;
    if (!toInt64(block.length, values.length) || !toInt32(block.status, values.status))
        return std::nullopt;
    if (!block.sections.isEmpty()) {
        auto sections = parseSections(block.sections);
        if (!sections)
            return std::nullopt;
        values.sections = std::move(*sections);
    }
    applyTrainers(block.trainers, values.sections);
    return values;
}

namespace {

// Settles the current entry and the selected line once reading has ended.
void selectStoredIndex(TLxMusicInfoMng &mng, const QString &indexText)
{
    qint64 index = 0;
    if (!toInt64(indexText, index) || index < 0 || index >= mng.GetCount())
        index = 0;
    if (mng.GetCount() > 0) {
        mng.SelectLine(static_cast<int>(index));
        mng.SetCurrentIndex(static_cast<int>(index));
    }
}

LoadResult apply(TLxMusicInfoMng &mng, const Document &doc)
{
    const TLxMusicInfo emptyTemplate;
    bool partly = doc.ignoredLines > 0;
    for (const Block &block : doc.blocks) {
        const int index = mng.AddEntry(block.path, emptyTemplate, false, false);
        partly = partly || index < 0 || !block.ended;
        if (!block.ended)
            continue;
        if (index >= 0) {
            const auto values = convert(block);
            if (!values) {
                mng.Clear();
                return LoadResult::Malformed;
            }
            TLxMusicInfo &entry = *mng.Entry(index);
            entry.Length = values->length;
            entry.Status = values->status;
            entry.AudioFormat = block.format;
            entry.Sections.insert(entry.Sections.end(), values->sections.begin(),
                                  values->sections.end());
        }
        if (index == -2)
            break;
    }
    return partly ? LoadResult::LoadedPartly : LoadResult::Loaded;
}

} // namespace

bool isReadable(const QString &fileName)
{
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    const Document doc = parse(quillmere::splitLines(quillmere::decodeUtf8OrShiftJis(bytes)));
    return std::all_of(doc.blocks.begin(), doc.blocks.end(),
                       [](const Block &block) { return !block.ended || convert(block); });
}

LoadResult load(TLxMusicInfoMng &mng, const QString &fileName)
{
    mng.Clear();
    QFile file(fileName);
    if (!file.exists())
        file.open(QIODevice::WriteOnly); // an empty playlist file, as the user named it
    file.close();

    LoadResult result = LoadResult::Unreadable;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError) {
            const Document doc =
                parse(quillmere::splitLines(quillmere::decodeUtf8OrShiftJis(bytes)));
            result = apply(mng, doc);
            selectStoredIndex(mng, result == LoadResult::Malformed ? QString() : doc.indexText);
        }
    }
    return result;
}

namespace {

bool copyAside(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    for (int n = 1; n < 1000; ++n) {
        const QString aside =
            fileName + QStringLiteral(".bad") + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        QFile existing(aside);
        if (existing.exists()) {
            if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
                return true; // this damaged file is already kept
            continue;
        }
        return quillmere::atomicWrite(aside, bytes).ok;
    }
    return false;
}

} // namespace

LoadResult loadDefault(TLxMusicInfoMng &mng)
{
    const QString fileName = mng.GetDefaultPlayListName();
    const LoadResult result = load(mng, fileName);
    const bool keepAside = result == LoadResult::Malformed || result == LoadResult::LoadedPartly;
    if (result == LoadResult::Unreadable || (keepAside && !copyAside(fileName)))
        mng.SetSaveOnDestroy(false);
    // Entries skipped now (their drive is away) are gone from the next save: the backup
    // keeps them with their sections.
    if (result == LoadResult::LoadedPartly)
        DefaultPlayListBackup::keepFile(fileName);
    return result;
}

} // namespace PlayListFile

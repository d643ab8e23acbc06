#include "playlist/DefaultPlayListBackup.h"

#include "common/AtomicWrite.h"
#include "common/TextLines.h"
#include "playlist/PlayListFile.h"

#include <QFile>

namespace {

QByteArray contentOf(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? bytes : QByteArray();
}

int entriesOf(const QByteArray &bytes)
{
    const PlayListFile::Document doc =
        PlayListFile::parse(quillmere::splitLines(quillmere::decodeUtf8OrShiftJis(bytes)));
    return int(doc.blocks.size());
}

} // namespace

namespace DefaultPlayListBackup {

QString pathFor(const QString &defaultPlayList)
{
    return defaultPlayList + QStringLiteral(".bak");
}

int entriesIn(const QString &playListFile)
{
    return entriesOf(contentOf(playListFile));
}

bool keepFile(const QString &defaultPlayList)
{
    const QByteArray bytes = contentOf(defaultPlayList);
    if (entriesOf(bytes) == 0)
        return false;
    return quillmere::atomicWrite(pathFor(defaultPlayList), bytes).ok;
}

} // namespace DefaultPlayListBackup

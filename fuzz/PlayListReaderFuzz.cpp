// Any bytes load without harm, and whatever loads is saved and read back unchanged.
// The working folder holds two audio files "a" and "b", so inputs naming them reach the
// code that commits blocks into entries.
#include "playlist/PlayListFile.h"
#include "playlist/TLxMusicInfoMng.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

struct Workspace {
    QTemporaryDir dir;
    QString listFile;
    Workspace()
    {
        for (const char *name : {"a", "b"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            file.open(QIODevice::WriteOnly);
        }
        QDir::setCurrent(dir.path());
        listFile = dir.filePath(QStringLiteral("list.qlx"));
    }
};

bool sameEntries(const TLxMusicInfoMng &x, const TLxMusicInfoMng &y)
{
    if (x.GetCount() != y.GetCount() || x.GetCurrentIndex() != y.GetCurrentIndex())
        return false;
    for (int i = 0; i < x.GetCount(); ++i) {
        const TLxMusicInfo &p = *x.Entry(i);
        const TLxMusicInfo &q = *y.Entry(i);
        if (p.FileName != q.FileName || p.Status != q.Status || p.Length != q.Length ||
            p.AudioFormat != q.AudioFormat || p.Sections != q.Sections)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Workspace workspace;
    {
        QFile file(workspace.listFile);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    TLxMusicInfoMng first;
    first.SetSaveOnDestroy(false);
    using PlayListFile::LoadResult;
    const LoadResult result = PlayListFile::load(first, workspace.listFile);
    if (result != LoadResult::Loaded && result != LoadResult::LoadedPartly)
        return 0;
    if (!first.SaveToFile(workspace.listFile).ok)
        std::abort();
    TLxMusicInfoMng second;
    second.SetSaveOnDestroy(false);
    if (PlayListFile::load(second, workspace.listFile) != LoadResult::Loaded ||
        !sameEntries(first, second))
        std::abort();
    return 0;
}

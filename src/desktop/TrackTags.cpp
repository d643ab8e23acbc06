#include "desktop/TrackTags.h"

#include <QFile>

#include <sndfile.h>

TrackTags TrackTags::read(const QString &path)
{
    TrackTags tags;
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return tags;
    const auto text = [file](int which) {
        const char *value = sf_get_string(file, which);
        return value ? QString::fromUtf8(value).trimmed() : QString();
    };
    tags.title = text(SF_STR_TITLE);
    tags.artist = text(SF_STR_ARTIST);
    sf_close(file);
    return tags;
}

#pragma once

#include <QString>

// The title and artist a song's file carries, for the desktop's track display. Files whose
// format keeps no such text, or that cannot be read, give empty strings.
struct TrackTags {
    QString title;
    QString artist;

    static TrackTags read(const QString &path);
};

#pragma once

#include "desktop/TrackTags.h"

#include <QDBusObjectPath>
#include <QVariantMap>

#include <utility>

class PracticeSession;

// What the desktop sees of the player, read from the practice session in one go so that two
// readings can be compared and only the properties that changed announced.
struct MprisPlayerState {
    QString playbackStatus = QStringLiteral("Stopped");
    QString loopStatus = QStringLiteral("None");
    double rate = 1.0;
    double volume = 0.0;
    int trackIndex = -1;
    QString path;
    qint64 lengthUs = 0;
    TrackTags tags;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    bool canSeek = false;

    // tagsOf keeps the last file's tags, so that a poll does not reopen the song each time.
    static MprisPlayerState read(const PracticeSession &session,
                                 std::pair<QString, TrackTags> &tagsOf);

    QDBusObjectPath trackId() const;
    QVariantMap metadata() const;
    // The Player interface's properties whose values differ from before's.
    QVariantMap changedSince(const MprisPlayerState &before) const;
    QVariantMap all() const;
};

#include "desktop/MprisPlayerState.h"

#include "common/Units.h"
#include "engine/TLxPlayer.h"
#include "session/PracticeSession.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>

MprisPlayerState MprisPlayerState::read(const PracticeSession &session,
                                        std::pair<QString, TrackTags> &tagsOf)
{
    MprisPlayerState state;
    const TLxMusicInfoMng &mng = session.PlayList();
    const PracticeSession::Transport transport = session.transport();
    if (transport == PracticeSession::Transport::Playing)
        state.playbackStatus = QStringLiteral("Playing");
    else if (transport == PracticeSession::Transport::Paused)
        state.playbackStatus = QStringLiteral("Paused");
    if (session.ABLoop())
        state.loopStatus = QStringLiteral("Track");
    state.rate = 1.0 + session.Speed() / 100.0;
    state.volume = std::max(0, session.Volume()) / 100.0;
    state.trackIndex = mng.GetCurrentIndex();
    if (const TLxMusicInfo *entry = mng.Entry(state.trackIndex)) {
        state.path = entry->FileName;
        state.lengthUs = quillmere::bytesToMicroseconds(entry->Length);
        if (tagsOf.first != state.path)
            tagsOf = {state.path, TrackTags::read(state.path)};
        state.tags = tagsOf.second;
    }
    // The buttons that play and skip are enabled whenever the list has a song.
    const bool any = mng.GetCount() > 0;
    state.canPlay = any;
    state.canGoNext = any;
    state.canGoPrevious = any;
    state.canSeek = transport != PracticeSession::Transport::Stopped && session.Length() > 0;
    return state;
}

QDBusObjectPath MprisPlayerState::trackId() const
{
    if (trackIndex < 0)
        return QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    return QDBusObjectPath(QStringLiteral("/io/github/quillmere/Track/%1").arg(trackIndex));
}

QVariantMap MprisPlayerState::metadata() const
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId()));
    if (path.isEmpty())
        return map;
    map.insert(QStringLiteral("mpris:length"), lengthUs);
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(path).toString());
    map.insert(QStringLiteral("xesam:title"),
               tags.title.isEmpty() ? QFileInfo(path).fileName() : tags.title);
    if (!tags.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{tags.artist});
    return map;
}

QVariantMap MprisPlayerState::changedSince(const MprisPlayerState &before) const
{
    const QVariantMap now = all();
    const QVariantMap then = before.all();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (it.key() != u"Metadata" && it.value() != then.value(it.key()))
            changed.insert(it.key(), it.value());
    }
    if (trackIndex != before.trackIndex || path != before.path || lengthUs != before.lengthUs ||
        tags.title != before.tags.title || tags.artist != before.tags.artist)
        changed.insert(QStringLiteral("Metadata"), metadata());
    return changed;
}

QVariantMap MprisPlayerState::all() const
{
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus},
        {QStringLiteral("LoopStatus"), loopStatus},
        {QStringLiteral("Rate"), rate},
        {QStringLiteral("Volume"), volume},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("CanGoNext"), canGoNext},
        {QStringLiteral("CanGoPrevious"), canGoPrevious},
        {QStringLiteral("CanPlay"), canPlay},
        {QStringLiteral("CanPause"), canPlay},
        {QStringLiteral("CanSeek"), canSeek},
    };
}

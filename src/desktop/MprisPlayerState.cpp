#include "desktop/MprisPlayerState.h"

#include "audio/AudioTypes.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"

#include <QFileInfo>
#include <QUrl>

using quillmere::audio::BytesPerFrame;
using quillmere::audio::BytesPerSecond;

qint64 bytesToMicroseconds(qint64 bytes)
{
    return bytes * 1000000 / BytesPerSecond;
}

qint64 microsecondsToBytes(qint64 us)
{
    return us * BytesPerSecond / 1000000 / BytesPerFrame * BytesPerFrame;
}

namespace {

int sliderValue(TForm1 &window, const QString &name)
{
    const TLxSlider *slider = window.SliderMng().Find(name);
    return slider ? slider->GetValue() : 0;
}

bool buttonEnabled(TForm1 &window, const QString &name)
{
    const TLxButton *button = window.ButtonMng().Find(name);
    return button && button->Enabled();
}

} // namespace

MprisPlayerState MprisPlayerState::read(TForm1 &window, std::pair<QString, TrackTags> &tagsOf)
{
    MprisPlayerState state;
    TLxPlayer &player = window.Player();
    const TLxMusicInfoMng &mng = player.MusicInfoMng();
    if (player.IsPlaying())
        state.playbackStatus = QStringLiteral("Playing");
    else if (player.IsPaused())
        state.playbackStatus = QStringLiteral("Paused");
    if (window.ButtonMng().IsOn(QStringLiteral("BUTTON_LOOP")))
        state.loopStatus = QStringLiteral("Track");
    state.rate = 1.0 + sliderValue(window, QStringLiteral("SLIDER_SPEED")) / 100.0;
    state.volume = sliderValue(window, QStringLiteral("SLIDER_VOLUME")) / 100.0;
    state.trackIndex = mng.GetCurrentIndex();
    if (const TLxMusicInfo *entry = mng.Entry(state.trackIndex)) {
        state.path = entry->FileName;
        state.lengthUs = bytesToMicroseconds(entry->Length);
        if (tagsOf.first != state.path)
            tagsOf = {state.path, TrackTags::read(state.path)};
        state.tags = tagsOf.second;
    }
    const bool any = mng.GetCount() > 0;
    state.canPlay = any && buttonEnabled(window, QStringLiteral("BUTTON_PLAY"));
    state.canGoNext = any && buttonEnabled(window, QStringLiteral("BUTTON_PLAY_NEXT"));
    state.canGoPrevious = any && buttonEnabled(window, QStringLiteral("BUTTON_PLAY_BACK"));
    state.canSeek = state.playbackStatus != u"Stopped" && player.GetLengthBytes() > 0;
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

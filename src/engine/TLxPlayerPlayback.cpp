// Opening songs, the transport, the effect setters and the spectrum feed of TLxPlayer.
#include "common/PaintSurface.h"
#include "engine/FormatText.h"
#include "engine/TLxPlayer.h"
#include "skin/TSpectrum.h"

#include <exception>

using namespace quillmere::audio;

namespace {

void fillBlack(PaintSurface *surface)
{
    if (!surface)
        return;
    surface->canvas().fill(Qt::black);
    surface->canvasChanged();
}

} // namespace

bool TLxPlayer::OpenSong(const QString &fileName, int pan, int speed, int pitch, int reverb,
                         const std::array<int, PlayerSettings::Bands> &eq)
{
    const int index = m_mng->AddEntry(fileName, TLxMusicInfo{}, false, false);
    if (index < 0)
        return false;
    releaseChannel();

    Handle channel = 0;
    try {
        if (!openChannel(fileName, true, channel))
            return false;
    } catch (const std::exception &) {
        systemError(4613); // the back end could not set the channel up (out of memory)
        return false;
    }
    ChannelInfo info;
    m_backend.channelInfo(channel, info);
    m_mng->Entry(index)->AudioFormat = DescribeFormat(info);
    m_shared.update([channel](PlayerState::Value v) {
        v.channel = channel;
        return std::optional(v);
    });

    try {
        createEffects();
        try {
            for (int band = 1; band <= PlayerSettings::Bands; ++band)
                SetEqualizerBand(band, 0);
            SetReverb(0);
        } catch (const std::exception &) {
            systemError(4616);
        }
    } catch (const std::exception &) {
        systemError(4614);
    }

    try {
        m_length = std::max<qint64>(0, m_backend.lengthBytes(channel));
        m_backend.setEndNotification(channel, [this](Handle, Handle ended) { onSongEnded(ended); });
        m_backend.setLoopBreath(channel, m_breath.pauseMs, m_breath.clicks, m_breath.beatMs);
        SetSpeed(speed);
        SetPitch(pitch);
        SetReverb(reverb);
        for (int band = 1; band <= PlayerSettings::Bands; ++band)
            SetEqualizerBand(band, eq[size_t(band - 1)]);
        SetPan(pan);
    } catch (const std::exception &) {
        systemError(4617);
    }
    return true;
}

void TLxPlayer::createEffects()
{
    try {
        m_effects.create(m_backend, channel());
    } catch (const std::exception &) {
        systemError(4615);
    }
}

// Event thread. Only the song that is still current is stopped; an end that arrives after the
// UI has moved on to another song is ignored.
void TLxPlayer::onSongEnded(Handle ended)
{
    const PlayerState::Value before =
        m_shared.update([ended](PlayerState::Value v) -> std::optional<PlayerState::Value> {
            if (v.channel != ended)
                return std::nullopt;
            return PlayerState::Value{0, PlayerState::Play::Stopped, true};
        });
    if (before.channel != ended)
        return;
    m_backend.stop(ended);
    m_backend.freeChannel(ended);
}

void TLxPlayer::Play(bool restart, bool showPeaks)
{
    const Handle channel = this->channel();
    if (!channel)
        return;
    if (m_spectrum) {
        m_spectrum->ShowPeaks = showPeaks;
        m_spectrum->PeakColor = QColor(166, 202, 240);
    }
    // The range goes to the stream before its decoder starts reading ahead (about a second):
    // a section that ends sooner than that after the start would otherwise be read past
    // before the timer's first tick hands it over.
    if (m_abLoop)
        FollowSection(-1, restart ? 0 : GetPosition());
    m_backend.play(channel, restart);
    // Only if the song has not ended meanwhile: its end must not be undone.
    m_shared.update([channel](PlayerState::Value v) -> std::optional<PlayerState::Value> {
        if (v.channel != channel)
            return std::nullopt;
        return PlayerState::Value{channel, PlayerState::Play::Playing, false};
    });
}

void TLxPlayer::Pause(PaintSurface *surface)
{
    if (const Handle channel = this->channel())
        m_backend.pause(channel);
    m_shared.update([](PlayerState::Value v) {
        v.play = PlayerState::Play::Paused;
        return std::optional(v);
    });
    fillBlack(surface);
}

void TLxPlayer::Stop(PaintSurface *surface)
{
    releaseChannel();
    m_shared.update([](PlayerState::Value v) {
        v.play = PlayerState::Play::Stopped;
        return std::optional(v);
    });
    fillBlack(surface);
}

bool TLxPlayer::TakeOutputLoss()
{
    if (!m_backend.takeOutputLoss())
        return false;
    m_shared.update([](PlayerState::Value v) {
        v.play = PlayerState::Play::Stopped;
        return std::optional(v);
    });
    return true;
}

qint64 TLxPlayer::GetPosition() const
{
    const PlayerState::Value now = m_shared.load();
    const Handle channel = now.channel;
    if (!channel || now.play != PlayerState::Play::Playing)
        return 0;
    return std::max<qint64>(0, m_backend.positionBytes(channel));
}

void TLxPlayer::SetPosition(qint64 bytes)
{
    // As at the start: the decoder reads ahead from the new place at once.
    if (m_abLoop)
        FollowSection(-1, bytes);
    m_backend.setPositionBytes(channel(), bytes);
}

void TLxPlayer::FollowSection(int index, qint64 pos)
{
    const Handle channel = this->channel();
    std::optional<TLxABLoopInfo> section = m_mng->Section(index);
    for (int i = 0; index < 0; ++i) {
        const std::optional<TLxABLoopInfo> ahead = m_mng->Section(i);
        if (!ahead)
            break;
        if (ahead->PosB > pos && (!section || ahead->PosA < section->PosA))
            section = ahead;
    }
    if (!m_abLoop || !section || !channel) {
        if (m_loopChannel && m_loopChannel == channel)
            m_backend.clearLoopRange(channel);
        m_loopChannel = 0;
        return;
    }
    // Handed over once per section and channel; a section the stream refuses (too short) is
    // not offered again on every tick.
    if (m_loopChannel == channel && m_loopSection.sameRange(*section))
        return;
    m_loopSection = *section;
    if (!m_backend.setLoopRange(channel, section->PosA, section->PosB) && m_loopChannel == channel)
        m_backend.clearLoopRange(channel); // the range before must not go on repeating
    m_loopChannel = channel;
}

void TLxPlayer::SetLoopBreath(int pauseMs, int clicks, int beatMs)
{
    m_breath = LoopBreath{pauseMs, clicks, beatMs};
    m_backend.setLoopBreath(channel(), pauseMs, clicks, beatMs);
}

void TLxPlayer::SetSpeed(int percent)
{
    m_settings.speed = percent;
    m_backend.setTempo(channel(), float(percent), -100.0f);
}

void TLxPlayer::SetPitch(int semitones)
{
    m_settings.pitch = semitones;
    m_backend.setTempo(channel(), -100.0f, float(semitones));
}

void TLxPlayer::SetPan(int value)
{
    m_settings.pan = value;
    m_backend.setPan(channel(), float(value));
}

void TLxPlayer::SetEqualizerBand(int band, int gainDb)
{
    if (band < 1 || band > PlayerSettings::Bands)
        return;
    m_settings.eq[size_t(band - 1)] = gainDb;
    if (channel())
        m_effects.setBandGain(m_backend, band, gainDb);
}

void TLxPlayer::SetReverb(int level)
{
    m_settings.reverb = level;
    if (channel())
        m_effects.setReverbLevel(m_backend, level);
}

void TLxPlayer::DrawSpectrum(PaintSurface *surface)
{
    const Handle channel = this->channel();
    if (!m_spectrum || !surface || !channel ||
        m_backend.activeState(channel) != ActiveState::Playing)
        return;
    TSpectrum::Magnitudes magnitudes{};
    if (m_backend.fft1024(channel, magnitudes.data()) != 4096)
        return;
    try {
        m_spectrum->Draw(*surface, magnitudes, 0, 0);
    } catch (const std::exception &) {
        systemError(4618);
    }
}

void TLxPlayer::SetSpectrumScale(PaintSurface *surface, int percent)
{
    const Handle channel = this->channel();
    if (m_spectrum && surface && channel && m_backend.activeState(channel) == ActiveState::Playing)
        m_spectrum->SetScale(surface->canvas().height() * percent / 100);
}

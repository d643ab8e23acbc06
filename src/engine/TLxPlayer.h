#pragma once

// Threads: everything here runs on the UI thread, except onSongEnded(), which the audio back
// end calls on its event thread. They share only PlayerState, one atomic word holding the
// channel handle, the play state and the ended flag. Back-end handles are never reused, so a
// UI call that races the end of a song at worst addresses a channel that is gone and fails
// harmlessly; it can never touch another song's channel.

#include "audio/AudioBackend.h"
#include "common/MessagePresenter.h"
#include "engine/EffectChain.h"
#include "engine/PlayerSettings.h"
#include "engine/PlayerState.h"
#include "playlist/TLxMusicInfoMng.h"

#include <QStringList>

#include <array>
#include <atomic>
#include <memory>

class PaintSurface;
class TSpectrum;

// The playback engine: one song at a time through the audio back end with the user's tempo,
// pitch, equaliser, reverb and pan; the song's format and length for the playlist; the play
// position; the end-of-song flag; the spectrum feed. It owns the playlist manager and keeps
// the playback settings in the settings file.
class TLxPlayer {
public:
    // The back-end interface version this engine is built for (the high 16 bits must match).
    static constexpr quint32 ExpectedBackendVersion = 0x00010000;

    // messages must outlive the engine. The settings are read from settingsPath.
    TLxPlayer(MessagePresenter &messages, QString settingsPath);
    ~TLxPlayer(); // frees the back end, saves the playlist, writes the settings

    // Starts the audio output (QUILLMERE_AUDIO_OUTPUT or the default device) and the spectrum
    // of the surface's size. False after showing the error: the program cannot go on.
    bool Init(PaintSurface *spectrumSurface, bool showPeaks, int heightPercent,
              const QString &outputSpec = {});
    // Loads the plug-ins of the folder; appends "|NAME (MASK)|MASK" per format to filter.
    void LoadPlugins(const QString &folder, QString &filter);
    QStringList PluginFormats;
    // Opens the help in the desktop's browser; when none opens it, a box names the file.
    void ShowHelp() const;

    bool ProbeFile(const QString &fileName, TLxMusicInfo &entry, bool showErrors);
    bool OpenSong(const QString &fileName, int pan, int speed, int pitch, int reverb,
                  const std::array<int, PlayerSettings::Bands> &eq);
    QString DescribeFormat(const quillmere::audio::ChannelInfo &info) const;

    void Play(bool restart, bool showPeaks);
    void Pause(PaintSurface *surface);
    void Stop(PaintSurface *surface);
    bool IsPlaying() const { return m_shared.load().play == PlayerState::Play::Playing; }
    bool IsPaused() const { return m_shared.load().play == PlayerState::Play::Paused; }
    bool IsEnded() const { return m_shared.load().ended; }
    // True once after the sound device broke for good while playing; the engine has stopped.
    bool TakeOutputLoss();
    void ClearEnded();
    void SetABLoop(bool on) { m_abLoop = on; }
    bool IsABLoop() const { return m_abLoop; }

    qint64 GetPosition() const;
    void SetPosition(qint64 bytes);
    // Repeats section `index` of the current song inside the stream while A-B repeat is on.
    // With -1 the section `pos` is in, or else the next one, is made ready, so that the stream
    // wraps at its B even if the decoder, reading ahead, is there before the timer sees the
    // position inside (Play and SetPosition do this too, before the decoder moves);
    // with none ahead, or A-B repeat off, the song plays on. Cheap to call on every timer
    // tick: the back end hears only of changes. A section the stream cannot repeat (shorter
    // than about 30 ms) is left to the timer's jump.
    void FollowSection(int index, qint64 pos);
    // A pause before each repeat of a section (0 = none), with a count-in of `clicks` clicks
    // beatMs apart; kept for the songs that follow.
    void SetLoopBreath(int pauseMs, int clicks, int beatMs);
    const LoopBreath &Breath() const { return m_breath; }
    qint64 GetLengthBytes() const { return m_length; }
    static QString FormatTime(qint64 bytes);

    void SetSpeed(int percent);
    void SetPitch(int semitones);
    void SetPan(int value);
    void SetReverb(int level);
    void SetEqualizerBand(int band, int gainDb); // band 1..6
    const PlayerSettings &Settings() const { return m_settings; }

    void DrawSpectrum(PaintSurface *surface);
    void SetSpectrumScale(PaintSurface *surface, int percent);
    TSpectrum *Spectrum() const { return m_spectrum.get(); }

    // The playlist manager and the forwarders that pass it the current position.
    TLxMusicInfoMng &MusicInfoMng() { return *m_mng; }
    const TLxMusicInfoMng &MusicInfoMng() const { return *m_mng; }
    void SetCurrentLength(qint64 length) { m_mng->SetCurrentLength(length); }
    void DrawPosition() { m_mng->DrawPosition(GetPosition()); }
    void DrawSectionBar() { m_mng->DrawSectionBar(); }
    void SetPointA(bool addNew) { m_mng->SetPointA(GetPosition(), addNew); }
    int SetPointB() { return m_mng->SetPointB(GetPosition()); }
    bool DeleteSection(bool all) { return m_mng->DeleteSection(all ? -1 : GetPosition()); }

    quillmere::audio::AudioBackend &Backend() { return m_backend; }

private:
    quillmere::audio::Handle channel() const { return m_shared.load().channel; }
    void releaseChannel();
    bool openChannel(const QString &fileName, bool showErrors, quillmere::audio::Handle &channel);
    void unsupportedFile(const QString &fileName) const;
    void systemError(int code) const;
    void createEffects();
    void onSongEnded(quillmere::audio::Handle ended);

    MessagePresenter &m_messages;
    QString m_settingsPath;
    PlayerSettings m_settings;
    quillmere::audio::AudioBackend m_backend;
    std::unique_ptr<TLxMusicInfoMng> m_mng;
    std::unique_ptr<TSpectrum> m_spectrum;

    PlayerState m_shared;
    bool m_abLoop = false;
    // The range the stream repeats, and on which channel (handles are never reused).
    quillmere::audio::Handle m_loopChannel = 0;
    TLxABLoopInfo m_loopSection;
    LoopBreath m_breath;
    qint64 m_length = 0;
    EffectChain m_effects;
};

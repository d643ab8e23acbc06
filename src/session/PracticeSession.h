#pragma once

// Threads: UI thread only. The audio threads reach the session only through the engine's
// ended flag, which the session's clock polls while a song plays; the clock stops once
// nothing plays, so an idle player does not wake for it.

#include "session/SpeedTrainerSession.h"
#include "session/TapTempo.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class PaintSurface;
class TLxMusicInfoMng;
class TLxPlayer;
namespace quillmere::engine {
class VolumeWatcher;
}

// One practice session: what plays, where, how it sounds and how its sections repeat. It
// owns the transport (play, pause, stop, skip, seek and the choice of the next song), A-B
// repeat with the section being repeated, random play, the continuous-play limit, the speed,
// pitch, balance, equaliser, reverb and system volume, the speed trainer, tap tempo and the
// pause and count-in before repeats. It has no widgets: the main window and the desktop's
// remote control call it and show what its signals announce.
class PracticeSession : public QObject {
    Q_OBJECT
public:
    enum class Transport { Stopped, Playing, Paused };
    // Whether the clock is looking for a section to repeat or is inside RepeatSection.
    enum class Sectioning { Seeking, Inside };
    // The continuous-play limit: not counting, counting, or run out (the song ends next).
    enum class PlayLimit { Off, Counting, Expired };
    Q_ENUM(Transport)
    Q_ENUM(Sectioning)
    Q_ENUM(PlayLimit)

    static constexpr int ClockIntervalMs = 50;
    static constexpr int MinPitch = -24, MaxPitch = 24;
    static constexpr int MinPan = -100, MaxPan = 100;
    static constexpr int MaxReverb = 20;
    static constexpr int MinBandGain = -10, MaxBandGain = 10;

    // volume may be null (no system volume). Both must outlive the session.
    PracticeSession(TLxPlayer &player, quillmere::engine::VolumeWatcher *volume,
                    QObject *parent = nullptr);
    ~PracticeSession() override;

    TLxPlayer &Player() { return m_player; }
    const TLxPlayer &Player() const { return m_player; }
    TLxMusicInfoMng &PlayList();
    const TLxMusicInfoMng &PlayList() const;
    // Where the spectrum is cleared when playback pauses or stops.
    void SetSpectrumSurface(PaintSurface *surface) { m_spectrumSurface = surface; }

    // The transport.
    Transport transport() const;
    // Plays line `index` of the list: resumes it when it is the paused song, else starts it.
    void PlayLine(int index);
    bool PlayFile(const QString &path);
    void Pause();
    void Resume();
    void Stop();
    // While playing in A-B mode, next and back jump to the neighbouring section first, and
    // only past the last (or first) one to the neighbouring song; not playing, they only move
    // the current entry.
    void Skip(bool forward);
    void StepEntry(bool forward, bool play);
    // Moves the play position as a drag of the position slider would.
    void Seek(qint64 bytes);
    // The end of a song or of the continuous-play time: what plays next.
    void PlayEnd();
    // The position heard: playing, the engine's; paused, where it stopped; else 0.
    qint64 Position() const;
    qint64 Length() const;

    // One tick of the 50 ms clock. draggedTo: where the user holds the position slider.
    void Tick(std::optional<qint64> draggedTo = std::nullopt);
    QTimer &Clock() { return m_clock; }
    // Runs each tick of the clock instead of Tick() itself: the window wraps it in its lock.
    void SetClockHandler(std::function<void()> handler) { m_clockHandler = std::move(handler); }

    // A-B repeat.
    bool ABLoop() const;
    void SetABLoop(bool on);
    Sectioning sectioning() const { return m_sectioning; }
    int RepeatSection() const { return m_repeatSection; }
    // Starts looking afresh for the section to repeat (as after the user moved the position).
    void ForgetRepeatSection();
    void SetPointA(bool addNew);
    void SetPointB();
    void DeleteSection(bool all);
    // The section being repeated or played, else the one the A and B buttons work on; -1.
    int PlayedSection() const;

    // The list was replaced or reloaded behind the session's back (a playlist file).
    void NotifyPlayListChanged();

    bool Random() const { return m_random; }
    void SetRandom(bool on);

    // The continuous-play limit in steps of ten minutes (0 = none).
    void SetPlayLimit(int tenMinuteSteps);
    PlayLimit playLimit() const { return m_limit; }
    int PlayLimitElapsedMs() const { return m_limitElapsedMs; }
    // Restarts (or stops) the count, as a new start of playback does.
    void ResetPlayLimit(PlayLimit state);
    void SetLimitElapsedMs(int ms) { m_limitElapsedMs = ms; }

    // The sound. Values are clamped to their ranges; speed to the speed range.
    int Speed() const;
    int Pitch() const;
    int Pan() const;
    int Reverb() const;
    int EqualizerBand(int band) const; // band 0..5
    int Volume() const;                // -1: unknown (no system mixer)
    void SetSpeed(int percent);
    // The speed already set stays as it is until the next SetSpeed, which keeps to the range.
    void SetSpeedRange(int minPercent, int maxPercent);
    int MinSpeed() const { return m_minSpeed; }
    int MaxSpeed() const { return m_maxSpeed; }
    void SetPitch(int semitones);
    void SetPan(int value);
    void SetReverb(int level);
    void SetEqualizerBand(int band, int gainDb);
    void ResetEqualizer();
    // False when the last reading found no volume control; the write is queued all the same.
    bool SetVolume(int percent);
    void SetShowPeaks(bool on) { m_showPeaks = on; }

    // The practice tools.
    const SpeedTrainerSession &Trainer() const { return m_trainer; }
    // A pause before each repeat (0 = none) with `clicks` clicks beatMs apart.
    void SetLoopBreath(int pauseMs, int clicks, int beatMs);
    // One tap of the count-in's tempo at nowMs of a steady clock; true when it gave a beat.
    bool TapTempo(qint64 nowMs);
    int CountInBeatMs() const;
    // Whether the tempo is worth showing: a count-in is in use or a tempo was tapped.
    bool CountInShown() const;

signals:
    void transportChanged(PracticeSession::Transport transport);
    void songStarted(int index, qint64 lengthBytes);
    // The file could not be opened; the session has told the user.
    void songFailed(const QString &path);
    // The current entry moved without a song starting (next and back while stopped).
    void currentEntryChanged(int index);
    void positionChanged(qint64 bytes);
    // The position moved other than by playing on: a seek, a jump to a section, a repeat.
    void positionJumped(qint64 bytes);
    void speedChanged(int percent);
    void speedRangeChanged(int minPercent, int maxPercent);
    void pitchChanged(int semitones);
    void panChanged(int value);
    void reverbChanged(int level);
    void equalizerChanged(int band, int gainDb);
    void volumeChanged(int percent);
    void abLoopChanged(bool on);
    void randomChanged(bool on);
    void repeatSectionChanged(int section);
    void sectionsChanged();
    void playListChanged();
    void countInChanged(int beatMs);
    void playLimitReached();
    void outputLost();
    void systemError(int code, const QString &detail);

private:
    class AnnounceOnce;
    void setSectioning(Sectioning state, int section);
    void announceTransport();
    void followLoop(qint64 pos, bool userSeek);
    void trackJumps(qint64 pos);
    void expectPositionFrom(qint64 pos);
    void countPlayLimit();
    void postPlayEnd();
    void clampSpeedToRange();

    TLxPlayer &m_player;
    quillmere::engine::VolumeWatcher *m_volume;
    PaintSurface *m_spectrumSurface = nullptr;
    QTimer m_clock;
    std::function<void()> m_clockHandler;
    Transport m_announced = Transport::Stopped;
    int m_holdAnnouncements = 0;
    int m_songIndex = -1; // the entry of the song last started

    Sectioning m_sectioning = Sectioning::Seeking;
    int m_repeatSection = -1;
    bool m_random = false;
    bool m_showPeaks = false;
    int m_minSpeed = -75;
    int m_maxSpeed = 300;
    int m_lastVolume = -1;

    PlayLimit m_limit = PlayLimit::Off;
    int m_limitElapsedMs = 0;
    int m_limitSteps = 0;

    qint64 m_position = 0;     // the last position heard; kept while paused
    qint64 m_expectedFrom = 0; // where the position was when m_sinceTick restarted
    QElapsedTimer m_sinceTick; // for telling a jump from playing on
    SpeedTrainerSession m_trainer;
    ::TapTempo m_tapTempo;
    bool m_tempoTapped = false;
};

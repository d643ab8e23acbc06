// PracticeSession: the transport, the clock, A-B repeat and the continuous-play limit.
// UI thread only: the end of a song reaches us as the engine's ended flag, which the clock
// polls while a song plays, and what plays next is decided here, never on an audio thread.
#include "session/PracticeSession.h"

#include "common/Units.h"
#include "engine/TLxPlayer.h"
#include "engine/VolumeWatcher.h"

#include <cstdlib>
#include <exception>

PracticeSession::PracticeSession(TLxPlayer &player, quillmere::engine::VolumeWatcher *volume,
                                 QObject *parent)
    : QObject(parent), m_player(player), m_volume(volume)
{
    m_clock.setInterval(ClockIntervalMs);
    connect(&m_clock, &QTimer::timeout, this, [this] {
        if (m_clockHandler)
            m_clockHandler();
        else
            Tick();
    });
    m_lastVolume = Volume();
    m_sinceTick.start();
    PlayList().SetChangeListener([this] { emit playListChanged(); });
}

PracticeSession::~PracticeSession()
{
    PlayList().SetChangeListener({});
}

TLxMusicInfoMng &PracticeSession::PlayList()
{
    return m_player.MusicInfoMng();
}

const TLxMusicInfoMng &PracticeSession::PlayList() const
{
    return m_player.MusicInfoMng();
}

PracticeSession::Transport PracticeSession::transport() const
{
    if (m_player.IsPlaying())
        return Transport::Playing;
    return m_player.IsPaused() ? Transport::Paused : Transport::Stopped;
}

void PracticeSession::announceTransport()
{
    if (m_holdAnnouncements > 0)
        return;
    const Transport now = transport();
    // The clock runs only while a song plays: paused or stopped, nothing can change by itself.
    // A song that ended before the clock could see it is acted on here instead.
    if (now == Transport::Playing && !m_clock.isActive())
        m_clock.start();
    else if (now != Transport::Playing)
        m_clock.stop();
    if (now != Transport::Playing && m_player.IsEnded()) {
        m_player.ClearEnded();
        postPlayEnd();
        return; // the next song is chosen before anything is shown as stopped
    }
    if (now == m_announced)
        return;
    m_announced = now;
    emit transportChanged(now);
}

// Steps made of a stop and a start (next, back, another line while paused) are announced
// once, as their outcome, not as a stop between two songs.
class PracticeSession::AnnounceOnce {
public:
    explicit AnnounceOnce(PracticeSession &session) : m_session(session)
    {
        ++m_session.m_holdAnnouncements;
    }
    ~AnnounceOnce()
    {
        if (--m_session.m_holdAnnouncements == 0)
            m_session.announceTransport();
    }
    AnnounceOnce(const AnnounceOnce &) = delete;
    AnnounceOnce &operator=(const AnnounceOnce &) = delete;

private:
    PracticeSession &m_session;
};

void PracticeSession::PlayLine(int index)
{
    const AnnounceOnce once(*this);
    ResetPlayLimit(PlayLimit::Counting);
    TLxMusicInfoMng &mng = PlayList();
    if (m_player.IsPaused() && index == mng.GetCurrentIndex()) {
        Resume();
    } else {
        if (m_player.IsPaused()) {
            ResetPlayLimit(PlayLimit::Off);
            Stop();
        }
        mng.SetCurrentIndex(index);
        mng.ResetPlayed(index);
        QString name;
        if (mng.GetCurrentFileName(name))
            PlayFile(name);
    }
    m_player.ClearEnded();
}

bool PracticeSession::PlayFile(const QString &path)
{
    // The section being repeated belongs to the song that played before.
    setSectioning(Sectioning::Seeking, -1);
    m_trainer.stop();
    // A copy: opening the song resets the engine's settings before it applies these.
    const PlayerSettings sound = m_player.Settings();
    TLxMusicInfoMng &mng = PlayList();
    const int before = m_songIndex;
    const bool opened =
        m_player.OpenSong(path, sound.pan, sound.speed, sound.pitch, sound.reverb, sound.eq);
    if (!opened) {
        announceTransport();
        emit songFailed(path);
        return false;
    }
    try {
        const qint64 length = m_player.GetLengthBytes();
        m_player.SetCurrentLength(length);
        m_position = 0;
        expectPositionFrom(0);
        m_songIndex = mng.GetCurrentIndex();
        emit songStarted(m_songIndex, length);
        bool played = false;
        try {
            mng.SetPlayed(m_songIndex);
            m_player.Play(false, m_showPeaks);
            played = true;
        } catch (const std::exception &) {
        }
        // Before any box can open: the clock must be running to see this song's end.
        announceTransport();
        if (!played)
            emit systemError(4611, {});
        // The same song again (A-B repeat at its end, a one-song list): the time went back.
        if (m_songIndex == before)
            emit positionJumped(0);
    } catch (const std::exception &) {
        emit systemError(4612, {});
    }
    announceTransport();
    return opened;
}

void PracticeSession::Pause()
{
    ResetPlayLimit(PlayLimit::Off);
    if (transport() != Transport::Playing) {
        // The song ended just before: pausing it stops, and nothing starts after it.
        Stop();
        return;
    }
    m_position = Position();
    m_player.Pause(m_spectrumSurface);
    m_player.ClearEnded();
    announceTransport();
}

void PracticeSession::Resume()
{
    if (m_player.TakeOutputLoss()) { // the device went while paused
        Stop();
        emit outputLost();
        return;
    }
    ResetPlayLimit(PlayLimit::Counting);
    m_player.Play(false, m_showPeaks);
    expectPositionFrom(m_position);
    announceTransport();
}

void PracticeSession::Stop()
{
    m_player.Stop(m_spectrumSurface);
    m_trainer.stop(); // the speed reached stays for the next start
    // A song that ended just before must not start the next one after the user stopped.
    m_player.ClearEnded();
    m_position = 0;
    announceTransport();
}

void PracticeSession::Skip(bool forward)
{
    if (transport() != Transport::Playing) {
        StepEntry(forward, false);
        return;
    }
    const AnnounceOnce once(*this);
    ResetPlayLimit(PlayLimit::Counting);
    setSectioning(Sectioning::Seeking, -1);
    const TLxMusicInfoMng &mng = PlayList();
    const qint64 position = m_player.GetPosition();
    const qint64 a = forward ? mng.NextSectionStart(position) : mng.PrevSectionStart(position);
    if (a >= 0 && ABLoop()) {
        m_player.SetPosition(a);
        expectPositionFrom(a);
        emit positionJumped(a);
    } else {
        StepEntry(forward, true);
    }
}

void PracticeSession::StepEntry(bool forward, bool play)
{
    const AnnounceOnce once(*this);
    TLxMusicInfoMng &mng = PlayList();
    if (play)
        Stop();
    QString name;
    if (mng.GetCount() == 0 || !(forward ? mng.NextEntry(name) : mng.PrevEntry(name)))
        return;
    if (play)
        PlayFile(name);
    else
        emit currentEntryChanged(mng.GetCurrentIndex());
}

void PracticeSession::Seek(qint64 bytes)
{
    if (transport() == Transport::Stopped)
        return;
    // As after a drag of the position slider: the section in repeat is looked for afresh.
    setSectioning(Sectioning::Seeking, m_repeatSection);
    m_player.SetPosition(bytes);
    m_position = bytes;
    expectPositionFrom(bytes);
    emit positionChanged(bytes);
    emit positionJumped(bytes);
}

void PracticeSession::postPlayEnd()
{
    // Posted, not called: what plays next is decided after the clock's tick has finished.
    QMetaObject::invokeMethod(
        this, [this] { PlayEnd(); }, Qt::QueuedConnection);
}

void PracticeSession::PlayEnd()
{
    m_player.ClearEnded();
    if (m_limit == PlayLimit::Expired) {
        ResetPlayLimit(PlayLimit::Off);
        Stop();
        emit playLimitReached();
        return;
    }
    TLxMusicInfoMng &mng = PlayList();
    if (mng.GetCount() == 0) {
        announceTransport();
        return;
    }
    QString name;
    bool found = false;
    if (ABLoop())
        found = mng.GetCurrentFileName(name);
    else if (m_random)
        found = mng.RandomEntry(name);
    else
        found = mng.NextEntry(name);
    if (found)
        PlayFile(name);
    announceTransport();
}

qint64 PracticeSession::Position() const
{
    switch (transport()) {
    case Transport::Playing:
        return m_player.GetPosition();
    case Transport::Paused:
        return m_position;
    case Transport::Stopped:
        break;
    }
    return 0;
}

qint64 PracticeSession::Length() const
{
    return transport() == Transport::Stopped ? 0 : m_player.GetLengthBytes();
}

void PracticeSession::countPlayLimit()
{
    if (m_limit != PlayLimit::Counting || m_limitSteps == 0)
        return;
    m_limitElapsedMs += m_clock.interval();
    if (m_limitElapsedMs / 60000 >= m_limitSteps * 10) {
        m_limit = PlayLimit::Expired;
        postPlayEnd();
    }
}

void PracticeSession::SetPlayLimit(int tenMinuteSteps)
{
    m_limitSteps = tenMinuteSteps;
    m_limitElapsedMs = 0;
}

void PracticeSession::ResetPlayLimit(PlayLimit state)
{
    m_limitElapsedMs = 0;
    m_limit = state;
}

void PracticeSession::Tick(std::optional<qint64> draggedTo)
{
    countPlayLimit();
    try {
        if (m_player.TakeOutputLoss()) {
            Stop();
            emit outputLost();
            return;
        }
        if (!m_player.IsPlaying()) {
            announceTransport(); // acts on a song's end before showing anything
            return;
        }
        if (draggedTo) {
            setSectioning(Sectioning::Seeking, m_repeatSection);
            m_player.SetPosition(*draggedTo);
        }
        const qint64 pos = m_player.GetPosition();
        m_position = pos;
        emit positionChanged(pos);
        followLoop(pos, draggedTo.has_value());
        if (const int volume = Volume(); volume != m_lastVolume) {
            m_lastVolume = volume;
            emit volumeChanged(volume);
        }
    } catch (const std::exception &e) {
        emit systemError(4607, QString::fromLocal8Bit(e.what()));
    }
}

void PracticeSession::followLoop(qint64 pos, bool userSeek)
{
    qint64 followFrom = pos;
    // The stream repeats the section itself; the jump back from past B is left for when
    // the stream could not (the position got past B before the range was set).
    if (ABLoop()) {
        const TLxMusicInfoMng &mng = PlayList();
        if (m_sectioning == Sectioning::Seeking) {
            if (const int found = mng.FindSection(pos); found >= 0)
                setSectioning(Sectioning::Inside, found);
        } else {
            const qint64 restart = mng.SectionRestartPos(m_repeatSection, pos);
            if (restart >= 0) {
                setSectioning(Sectioning::Seeking, m_repeatSection);
                m_player.SetPosition(restart);
                followFrom = restart; // the range made ready for the jump must stay
            }
        }
    }
    trackJumps(followFrom);
    const bool inside = m_sectioning == Sectioning::Inside;
    const int looped = ABLoop() && inside ? m_repeatSection : -1;
    if (const std::optional<int> speed = m_trainer.follow(PlayList(), looped, pos, userSeek))
        SetSpeed(*speed);
    m_player.FollowSection(inside ? m_repeatSection : -1, followFrom);
}

void PracticeSession::trackJumps(qint64 pos)
{
    // Between ticks the position moves by the time passed times the speed; more than a second
    // off that, it jumped (the stream's repeat of a section, a seek, the end of a section),
    // and clients that count the time on their own are told.
    const double rate = 1.0 + Speed() / 100.0;
    const qint64 elapsedBytes =
        qint64(double(m_sinceTick.restart()) * rate * double(quillmere::BytesPerSecond) / 1000.0);
    const qint64 expected = m_expectedFrom + elapsedBytes;
    m_expectedFrom = pos;
    if (std::abs(pos - expected) > quillmere::BytesPerSecond)
        emit positionJumped(pos);
}

void PracticeSession::expectPositionFrom(qint64 pos)
{
    m_expectedFrom = pos;
    m_sinceTick.restart();
}

bool PracticeSession::ABLoop() const
{
    return m_player.IsABLoop();
}

void PracticeSession::SetABLoop(bool on)
{
    if (!on) {
        setSectioning(Sectioning::Seeking, m_repeatSection);
        m_trainer.stop(); // the speed reached stays
    }
    const bool changed = on != ABLoop();
    m_player.SetABLoop(on);
    m_player.FollowSection(m_sectioning == Sectioning::Inside ? m_repeatSection : -1,
                           m_player.GetPosition());
    if (changed)
        emit abLoopChanged(on);
}

void PracticeSession::setSectioning(Sectioning state, int section)
{
    const bool changed = state != m_sectioning || section != m_repeatSection;
    m_sectioning = state;
    m_repeatSection = section;
    if (changed)
        emit repeatSectionChanged(state == Sectioning::Inside ? section : -1);
}

void PracticeSession::ForgetRepeatSection()
{
    setSectioning(Sectioning::Seeking, m_repeatSection);
}

void PracticeSession::SetPointA(bool addNew)
{
    m_player.SetPointA(addNew);
    setSectioning(Sectioning::Seeking, m_repeatSection);
    emit sectionsChanged();
}

void PracticeSession::SetPointB()
{
    const int section = m_player.SetPointB();
    if (section >= 0 && ABLoop())
        setSectioning(Sectioning::Inside, section);
    emit sectionsChanged();
}

void PracticeSession::DeleteSection(bool all)
{
    m_player.DeleteSection(all);
    setSectioning(Sectioning::Seeking, m_repeatSection);
    m_player.FollowSection(-1, m_player.GetPosition()); // a deleted section must not wrap
    emit sectionsChanged();
}

int PracticeSession::PlayedSection() const
{
    const TLxMusicInfoMng &mng = PlayList();
    if (m_sectioning == Sectioning::Inside && mng.Section(m_repeatSection))
        return m_repeatSection;
    if (transport() != Transport::Stopped) {
        if (const int playing = mng.FindSection(Position()); playing >= 0)
            return playing;
    }
    const TLxMusicInfo *entry = mng.Entry(mng.GetCurrentIndex());
    return entry && mng.Section(entry->CurrentSection) ? entry->CurrentSection : -1;
}

void PracticeSession::NotifyPlayListChanged()
{
    emit playListChanged();
}

void PracticeSession::SetRandom(bool on)
{
    if (on == m_random)
        return;
    m_random = on;
    emit randomChanged(on);
}

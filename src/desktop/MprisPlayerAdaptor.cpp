#include "desktop/MprisPlayerAdaptor.h"

#include "common/Units.h"
#include "desktop/MprisService.h"
#include "mainwindow/TForm1.h"
#include "playlist/TLxMusicInfoMng.h"
#include "session/PracticeSession.h"

#include <QUrl>

#include <algorithm>
#include <cmath>

using quillmere::bytesToMicroseconds;

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service), m_service(*service), m_session(service->Session())
{
    setAutoRelaySignals(false);
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return m_service.Refresh().playbackStatus;
}

QString MprisPlayerAdaptor::loopStatus() const
{
    return m_service.Refresh().loopStatus;
}

void MprisPlayerAdaptor::setLoopStatus(const QString &status)
{
    // The player repeats sections of one song; it has no repeat of the whole list.
    if ((status != u"Track" && status != u"None") || m_session.ABLoop() == (status == u"Track"))
        return;
    m_session.SetABLoop(status == u"Track");
    m_service.Refresh();
}

double MprisPlayerAdaptor::rate() const
{
    return m_service.Refresh().rate;
}

void MprisPlayerAdaptor::setRate(double rate)
{
    if (!(rate > 0))
        return;
    m_session.SetSpeed(int(std::lround((rate - 1.0) * 100))); // the session keeps it in range
    m_service.Refresh();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_service.Refresh().metadata();
}

double MprisPlayerAdaptor::volume() const
{
    return m_service.Refresh().volume;
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    m_session.SetVolume(int(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
    m_service.Refresh();
}

qlonglong MprisPlayerAdaptor::position() const
{
    return bytesToMicroseconds(m_session.Position());
}

bool MprisPlayerAdaptor::canGoNext() const
{
    return m_service.Refresh().canGoNext;
}

bool MprisPlayerAdaptor::canGoPrevious() const
{
    return m_service.Refresh().canGoPrevious;
}

bool MprisPlayerAdaptor::canPlay() const
{
    return m_service.Refresh().canPlay;
}

bool MprisPlayerAdaptor::canSeek() const
{
    return m_service.Refresh().canSeek;
}

void MprisPlayerAdaptor::Play()
{
    const TLxMusicInfoMng &list = m_session.PlayList();
    if (m_session.transport() == PracticeSession::Transport::Playing || list.GetCount() == 0)
        return;
    // A remote has no list to click in: the current song plays, or goes on where it paused.
    m_session.PlayLine(std::max(0, list.GetCurrentIndex()));
}

void MprisPlayerAdaptor::Pause()
{
    if (m_session.transport() == PracticeSession::Transport::Playing)
        m_session.Pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    if (m_session.transport() == PracticeSession::Transport::Playing)
        Pause();
    else
        Play();
}

void MprisPlayerAdaptor::Stop()
{
    if (m_session.PlayList().GetCount() == 0)
        return;
    m_session.ForgetRepeatSection();
    m_session.ResetPlayLimit(PracticeSession::PlayLimit::Off);
    m_session.Stop();
}

void MprisPlayerAdaptor::Next()
{
    if (m_session.PlayList().GetCount() > 0)
        m_session.Skip(true);
}

void MprisPlayerAdaptor::Previous()
{
    if (m_session.PlayList().GetCount() > 0)
        m_session.Skip(false);
}

void MprisPlayerAdaptor::Seek(qlonglong offsetUs)
{
    if (!m_service.Refresh().canSeek)
        return;
    const qint64 target = std::max<qint64>(0, position() + offsetUs);
    if (target >= bytesToMicroseconds(m_session.Length()))
        Next();
    else
        moveTo(target);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &trackId, qlonglong positionUs)
{
    const MprisPlayerState &state = m_service.Refresh();
    // A position meant for a song that has since been left is dropped.
    if (!state.canSeek || trackId != state.trackId() || positionUs < 0 ||
        positionUs > bytesToMicroseconds(m_session.Length()))
        return;
    moveTo(positionUs);
}

void MprisPlayerAdaptor::moveTo(qint64 positionUs)
{
    m_session.Seek(quillmere::microsecondsToBytes(positionUs)); // announces the seek
}

void MprisPlayerAdaptor::OpenUri(const QString &uri, const QDBusMessage &call)
{
    const QUrl url(uri);
    if (!url.isLocalFile()) {
        call.setDelayedReply(true);
        m_service.Bus().send(call.createErrorReply(
            QDBusError::NotSupported, QStringLiteral("Only local files can be opened: ") + uri));
        return;
    }
    m_service.Window().CopyDataReceived(url.toLocalFile(), [this] { m_service.Refresh(); });
}

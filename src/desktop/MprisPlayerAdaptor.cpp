#include "desktop/MprisPlayerAdaptor.h"

#include "desktop/MprisService.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QUrl>

#include <algorithm>
#include <cmath>

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service), m_service(*service), m_window(service->Window())
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
    if (status != u"Track" && status != u"None")
        return;
    const QString loop = QStringLiteral("BUTTON_LOOP");
    const TLxButton *button = m_window.ButtonMng().Find(loop);
    if (!button || !button->Enabled() || m_window.ButtonMng().IsOn(loop) == (status == u"Track"))
        return;
    m_window.ButtonMng().Toggle(loop);
    m_window.ButtonMng().DrawAll();
    m_window.RunCommand(loop, {});
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
    const int speed = std::clamp(int(std::lround((rate - 1.0) * 100)), m_window.MinOfSpeed,
                                 std::max(m_window.MinOfSpeed, m_window.MaxOfSpeed));
    m_window.MoveSlider(QStringLiteral("SLIDER_SPEED"), speed);
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
    m_window.MoveSlider(QStringLiteral("SLIDER_VOLUME"),
                        int(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
    m_service.Refresh();
}

qlonglong MprisPlayerAdaptor::position() const
{
    const TLxPlayer &player = m_window.Player();
    if (!player.IsPlaying() && !player.IsPaused())
        return 0;
    return bytesToMicroseconds(player.GetPosition());
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

void MprisPlayerAdaptor::pressKey(int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&m_window, &press);
    m_service.Refresh();
}

void MprisPlayerAdaptor::Play()
{
    TLxPlayer &player = m_window.Player();
    if (player.IsPlaying())
        return;
    // A remote has no list to click in: without a single selection the current song plays.
    TLxMusicInfoMng &mng = player.MusicInfoMng();
    if (!player.IsPaused() && m_window.PlayList().selectedCount() != 1 && mng.GetCount() > 0)
        m_window.SelectOnly(std::max(0, mng.GetCurrentIndex()));
    pressKey(Qt::Key_MediaPlay);
}

void MprisPlayerAdaptor::Pause()
{
    if (m_window.Player().IsPlaying())
        pressKey(Qt::Key_MediaPause);
}

void MprisPlayerAdaptor::PlayPause()
{
    if (m_window.Player().IsPlaying())
        Pause();
    else
        Play();
}

void MprisPlayerAdaptor::Stop()
{
    pressKey(Qt::Key_MediaStop);
}

void MprisPlayerAdaptor::Next()
{
    pressKey(Qt::Key_MediaNext);
}

void MprisPlayerAdaptor::Previous()
{
    pressKey(Qt::Key_MediaPrevious);
}

void MprisPlayerAdaptor::Seek(qlonglong offsetUs)
{
    const TLxPlayer &player = m_window.Player();
    if (!m_service.Refresh().canSeek)
        return;
    const qint64 target = std::max<qint64>(0, position() + offsetUs);
    if (target >= bytesToMicroseconds(player.GetLengthBytes()))
        Next();
    else
        moveTo(target);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &trackId, qlonglong positionUs)
{
    const MprisPlayerState &state = m_service.Refresh();
    // A position meant for a song that has since been left is dropped.
    if (!state.canSeek || trackId != state.trackId() || positionUs < 0 ||
        positionUs > bytesToMicroseconds(m_window.Player().GetLengthBytes()))
        return;
    moveTo(positionUs);
}

void MprisPlayerAdaptor::moveTo(qint64 positionUs)
{
    const qint64 bytes = microsecondsToBytes(positionUs);
    // As after a drag of the position slider: the section in repeat is looked for afresh.
    m_window.SectionState = 0;
    m_window.Player().SetPosition(bytes);
    m_window.MoveSlider(QStringLiteral("SLIDER_PLAY"), int(bytes));
    m_service.AnnounceSeek(bytesToMicroseconds(bytes));
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
    m_window.CopyDataReceived(url.toLocalFile(), [this] { m_service.Refresh(); });
}

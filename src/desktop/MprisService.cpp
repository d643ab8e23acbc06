#include "desktop/MprisService.h"

#include "desktop/MprisPlayerAdaptor.h"
#include "desktop/MprisRootAdaptor.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/TForm1.h"

#include <QDBusMessage>

#include <cstdlib>

std::unique_ptr<MprisService> MprisService::start(TForm1 &window, QDBusConnection bus)
{
    if (!bus.isConnected())
        return nullptr;
    std::unique_ptr<MprisService> service(new MprisService(window, bus));
    if (!bus.registerObject(ObjectPath, service.get(), QDBusConnection::ExportAdaptors) ||
        !bus.registerService(ServiceName)) {
        bus.unregisterObject(ObjectPath);
        return nullptr;
    }
    return service;
}

MprisService::MprisService(TForm1 &window, QDBusConnection bus)
    : m_window(window), m_bus(std::move(bus))
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    m_state = MprisPlayerState::read(m_window, m_tags);
    m_poll.setInterval(250);
    m_sinceLastPosition.start();
    connect(&m_poll, &QTimer::timeout, this, [this] {
        const int track = m_state.trackIndex;
        Refresh();
        if (m_state.trackIndex == track)
            announceJumps();
    });
    m_poll.start();
}

MprisService::~MprisService()
{
    m_bus.unregisterService(ServiceName);
    m_bus.unregisterObject(ObjectPath);
}

const MprisPlayerState &MprisService::Refresh()
{
    MprisPlayerState now = MprisPlayerState::read(m_window, m_tags);
    const QVariantMap changed = now.changedSince(m_state);
    m_state = std::move(now);
    if (!changed.isEmpty()) {
        QDBusMessage signal = QDBusMessage::createSignal(
            ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        signal << MprisPlayerAdaptor::Interface << changed << QStringList();
        m_bus.send(signal);
    }
    return m_state;
}

void MprisService::AnnounceSeek(qint64 positionUs)
{
    QDBusMessage signal = QDBusMessage::createSignal(ObjectPath, MprisPlayerAdaptor::Interface,
                                                     QStringLiteral("Seeked"));
    signal << positionUs;
    m_bus.send(signal);
    m_lastPositionUs = positionUs;
    m_sinceLastPosition.restart();
}

void MprisService::announceJumps()
{
    const TLxPlayer &player = m_window.Player();
    const qint64 elapsedUs = m_sinceLastPosition.restart() * 1000;
    if (!player.IsPlaying()) {
        m_lastPositionUs = player.IsPaused() ? bytesToMicroseconds(player.GetPosition()) : 0;
        return;
    }
    const qint64 now = bytesToMicroseconds(player.GetPosition());
    const qint64 expected = m_lastPositionUs + qint64(double(elapsedUs) * m_state.rate);
    m_lastPositionUs = now;
    if (std::abs(now - expected) > 1000000)
        AnnounceSeek(now);
}

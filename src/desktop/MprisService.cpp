#include "desktop/MprisService.h"

#include "desktop/MprisPlayerAdaptor.h"
#include "desktop/MprisRootAdaptor.h"

#include <QDBusMessage>

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
    connect(&m_poll, &QTimer::timeout, this, [this] { Refresh(); });
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
}

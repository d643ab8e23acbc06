#include "desktop/MprisService.h"

#include "common/Units.h"
#include "desktop/MprisPlayerAdaptor.h"
#include "desktop/MprisRootAdaptor.h"
#include "mainwindow/TForm1.h"
#include "session/PracticeSession.h"

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
    : m_window(window), m_session(window.Session()), m_bus(std::move(bus))
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    m_state = MprisPlayerState::read(m_session, m_tags);
    followSession();
}

void MprisService::followSession()
{
    // Every change the desktop can see is announced by the session; a reading compares it
    // with the last and sends only what differs.
    const auto refresh = [this] { Refresh(); };
    connect(&m_session, &PracticeSession::transportChanged, this, refresh);
    connect(&m_session, &PracticeSession::songStarted, this, refresh);
    connect(&m_session, &PracticeSession::currentEntryChanged, this, refresh);
    connect(&m_session, &PracticeSession::speedChanged, this, refresh);
    connect(&m_session, &PracticeSession::volumeChanged, this, refresh);
    connect(&m_session, &PracticeSession::abLoopChanged, this, refresh);
    connect(&m_session, &PracticeSession::playListChanged, this, refresh);
    // A-B repeat and the end of a section move the position by themselves; clients that
    // count the time on their own are told, as after a seek.
    connect(&m_session, &PracticeSession::positionJumped, this,
            [this](qint64 bytes) { AnnounceSeek(quillmere::bytesToMicroseconds(bytes)); });
}

MprisService::~MprisService()
{
    m_bus.unregisterService(ServiceName);
    m_bus.unregisterObject(ObjectPath);
}

const MprisPlayerState &MprisService::Refresh()
{
    MprisPlayerState now = MprisPlayerState::read(m_session, m_tags);
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

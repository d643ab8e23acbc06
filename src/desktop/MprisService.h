#pragma once

#include "desktop/MprisPlayerState.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class TForm1;

// The player as the desktop's remote control sees it: the org.mpris.MediaPlayer2.quillmere
// name on a bus, with the object that carries the two MPRIS interfaces. It lives on the UI
// thread, where QtDBus delivers the calls, and acts through the window's own commands.
class MprisService : public QObject {
public:
    static inline const QString ServiceName = QStringLiteral("org.mpris.MediaPlayer2.quillmere");
    static inline const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

    // Null when the bus is not there or the name is taken: the player then goes on without
    // a remote control.
    static std::unique_ptr<MprisService> start(TForm1 &window, QDBusConnection bus);
    ~MprisService() override;

    TForm1 &Window() { return m_window; }
    QDBusConnection &Bus() { return m_bus; }
    // Reads the window afresh and announces what changed since the last reading.
    const MprisPlayerState &Refresh();
    void AnnounceSeek(qint64 positionUs);

private:
    MprisService(TForm1 &window, QDBusConnection bus);
    // A-B repeat and the end of a section move the position by themselves; clients that
    // count the time on their own are told, as after a seek.
    void announceJumps();

    TForm1 &m_window;
    QDBusConnection m_bus;
    std::pair<QString, TrackTags> m_tags;
    MprisPlayerState m_state;
    // The window changes on its own too (the end of a song, its buttons, its keys).
    QTimer m_poll;
    qint64 m_lastPositionUs = 0;
    QElapsedTimer m_sinceLastPosition;
};

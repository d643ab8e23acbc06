#pragma once

#include "desktop/MprisPlayerState.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>

class PracticeSession;
class TForm1;

// The player as the desktop's remote control sees it: the org.mpris.MediaPlayer2.quillmere
// name on a bus, with the object that carries the two MPRIS interfaces. It lives on the UI
// thread, where QtDBus delivers the calls. It plays, seeks and reads the state through the
// practice session and hears of every change from its signals; the window is only raised,
// closed and handed files to open.
class MprisService : public QObject {
public:
    static inline const QString ServiceName = QStringLiteral("org.mpris.MediaPlayer2.quillmere");
    static inline const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

    // Null when the bus is not there or the name is taken: the player then goes on without
    // a remote control.
    static std::unique_ptr<MprisService> start(TForm1 &window, QDBusConnection bus);
    ~MprisService() override;

    TForm1 &Window() { return m_window; }
    PracticeSession &Session() { return m_session; }
    QDBusConnection &Bus() { return m_bus; }
    // Reads the session afresh and announces what changed since the last reading.
    const MprisPlayerState &Refresh();
    void AnnounceSeek(qint64 positionUs);

private:
    MprisService(TForm1 &window, QDBusConnection bus);
    void followSession();

    TForm1 &m_window;
    PracticeSession &m_session;
    QDBusConnection m_bus;
    std::pair<QString, TrackTags> m_tags;
    MprisPlayerState m_state;
};

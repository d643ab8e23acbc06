// The remote control end to end: a private session bus, the real window on the "null" output
// with its MPRIS service, and the desktop's own tools (playerctl, dbus-send) driving it.
#include "desktop/MprisService.h"

#include "engine/TLxPlayer.h"
#include "mainwindow/WindowFixture.h"
#include "skin/TLxButtonMng.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

const qint64 SongSeconds = 30;

class MprisRemote : public WindowFixture {
protected:
    QProcess daemon;
    QProcessEnvironment clients = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<MprisService> service;

    void SetUp() override
    {
        for (const char *tool : {"dbus-daemon", "dbus-send", "playerctl"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed; the remote control was not tested";
        }
        WindowFixture::SetUp();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "the private bus did not start";
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        clients.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("remote"));
        ASSERT_TRUE(bus.isConnected());
        open();
        service = MprisService::start(*window, bus);
        ASSERT_TRUE(service);
    }

    void TearDown() override
    {
        service.reset();
        WindowFixture::TearDown();
        QDBusConnection::disconnectFromBus(QStringLiteral("remote"));
        daemon.kill();
        daemon.waitForFinished();
    }

    // Runs a client on the private bus; the window's event loop keeps answering meanwhile.
    QString run(const QString &program, const QStringList &args)
    {
        QProcess client;
        client.setProcessEnvironment(clients);
        client.start(program, args);
        EXPECT_TRUE(QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 10000))
            << qPrintable(args.join(u' '));
        return QString::fromUtf8(client.readAllStandardOutput()).trimmed();
    }

    QString playerctl(const QStringList &args)
    {
        return run(QStringLiteral("playerctl"),
                   QStringList{QStringLiteral("--player=quillmere")} + args);
    }

    void setPlayerProperty(const QString &name, const QString &value)
    {
        run(QStringLiteral("dbus-send"),
            {QStringLiteral("--session"), QStringLiteral("--print-reply"),
             QStringLiteral("--dest=org.mpris.MediaPlayer2.quillmere"),
             QStringLiteral("/org/mpris/MediaPlayer2"),
             QStringLiteral("org.freedesktop.DBus.Properties.Set"),
             QStringLiteral("string:org.mpris.MediaPlayer2.Player"),
             QStringLiteral("string:") + name, QStringLiteral("variant:") + value});
    }

    // A song whose file carries a title and an artist.
    QString taggedSong(const QString &name)
    {
        const QString path = dir.filePath(name);
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr);
        sf_set_string(file, SF_STR_TITLE, "Etude in A");
        sf_set_string(file, SF_STR_ARTIST, "The Practice Band");
        const std::vector<float> samples = fixtures::sine(440, double(SongSeconds), 44100, 2);
        sf_writef_float(file, samples.data(), sf_count_t(samples.size() / 2));
        sf_close(file);
        return path;
    }

    bool waitFor(const std::function<bool()> &condition)
    {
        return QTest::qWaitFor(condition, 10000);
    }
};

} // namespace

TEST_F(MprisRemote, PlayerctlPlaysPausesSkipsAndSeeksWithTheChangesAnnounced)
{
    QProcess follower;
    follower.setProcessEnvironment(clients);
    follower.start(QStringLiteral("playerctl"),
                   {QStringLiteral("--player=quillmere"), QStringLiteral("--follow"),
                    QStringLiteral("status")});
    ASSERT_TRUE(follower.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return follower.canReadLine(); })) << "playerctl does not see us";

    playerctl({QStringLiteral("open"),
               QUrl::fromLocalFile(taggedSong(QStringLiteral("a.wav"))).toString()});
    ASSERT_TRUE(waitFor([&] { return window->Player().IsPlaying(); }));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), u"Etude in A");
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("artist")}),
              u"The Practice Band");
    window->AddPathToPlayList({song(QStringLiteral("b.wav"), double(SongSeconds))}, false);
    waitForIntake();

    playerctl({QStringLiteral("pause")});
    EXPECT_TRUE(window->Player().IsPaused());
    EXPECT_EQ(playerctl({QStringLiteral("status")}), u"Paused");
    playerctl({QStringLiteral("play")});
    EXPECT_TRUE(window->Player().IsPlaying());

    playerctl({QStringLiteral("next")});
    EXPECT_TRUE(window->Player().IsPlaying());
    EXPECT_EQ(window->Player().MusicInfoMng().GetCurrentIndex(), 1);
    // A file without tags is shown by its name.
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), u"b.wav");
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}),
              QString::number(SongSeconds * 1000000));

    playerctl({QStringLiteral("position"), QStringLiteral("12")});
    const double seconds = double(window->Player().GetPosition()) / 176400;
    EXPECT_GE(seconds, 12.0);
    EXPECT_LT(seconds, 14.0);
    const double reported = playerctl({QStringLiteral("position")}).toDouble();
    EXPECT_GE(reported, 12.0);
    EXPECT_LT(reported, 14.0);

    playerctl({QStringLiteral("stop")});
    EXPECT_FALSE(window->Player().IsPlaying());
    QString followed;
    EXPECT_TRUE(waitFor([&] {
        followed += QString::fromUtf8(follower.readAll());
        return followed.endsWith(u"Stopped\n");
    })) << qPrintable(followed);
    EXPECT_TRUE(followed.contains(u"Paused\nPlaying\n")) << qPrintable(followed);
    follower.kill();
    follower.waitForFinished();
}

TEST_F(MprisRemote, RateIsTheTempoAndLoopingTheTrackIsABRepeat)
{
    playerctl(
        {QStringLiteral("open"), QUrl::fromLocalFile(song(QStringLiteral("a.wav"))).toString()});
    ASSERT_TRUE(waitFor([&] { return window->Player().MusicInfoMng().GetCount() == 1; }));

    setPlayerProperty(QStringLiteral("Rate"), QStringLiteral("double:0.5"));
    EXPECT_EQ(window->SpeedText(), u" -50%");
    EXPECT_EQ(window->Player().Settings().speed, -50);
    // Beyond the options' speed range the slider stops at its end.
    window->Session().SetSpeedRange(window->MinOfSpeed, 100);
    setPlayerProperty(QStringLiteral("Rate"), QStringLiteral("double:4.0"));
    EXPECT_EQ(window->SpeedText(), u" +100%");

    playerctl({QStringLiteral("loop"), QStringLiteral("Track")});
    EXPECT_TRUE(window->ButtonMng().IsOn(QStringLiteral("BUTTON_LOOP")));
    EXPECT_TRUE(window->Player().IsABLoop());
    EXPECT_EQ(playerctl({QStringLiteral("loop")}), u"Track");
    playerctl({QStringLiteral("loop"), QStringLiteral("None")});
    EXPECT_FALSE(window->Player().IsABLoop());
    EXPECT_EQ(playerctl({QStringLiteral("loop")}), u"None");
}

TEST_F(MprisRemote, EachRepeatOfTheSectionIsAnnouncedAsASeek)
{
    QProcess monitor;
    monitor.setProcessEnvironment(clients);
    monitor.start(QStringLiteral("dbus-monitor"),
                  {QStringLiteral("--session"), QStringLiteral("member='Seeked'")});
    ASSERT_TRUE(monitor.waitForStarted());
    playerctl({QStringLiteral("open"),
               QUrl::fromLocalFile(song(QStringLiteral("a.wav"), 30)).toString()});
    ASSERT_TRUE(waitFor([&] { return window->Player().IsPlaying(); }));
    playerctl({QStringLiteral("loop"), QStringLiteral("Track")});
    window->RunCommand(QStringLiteral("BUTTON_A"), {});
    ASSERT_TRUE(waitFor([&] { return window->Player().GetPosition() >= 176400 * 3 / 2; }));
    window->RunCommand(QStringLiteral("BUTTON_B"), {});
    ASSERT_EQ(window->Player().MusicInfoMng().Entry(0)->Sections.size(), 1u);

    QByteArray seen;
    EXPECT_TRUE(waitFor([&] {
        seen += monitor.readAll();
        return seen.contains("member=Seeked");
    })) << "the loop back to A was not announced";
    EXPECT_LT(window->Player().GetPosition(), 176400 * 3 / 2);
    monitor.kill();
    monitor.waitForFinished();
}

TEST_F(MprisRemote, OnlyLocalFilesOpenAndWithoutABusThereIsNoService)
{
    QProcess client;
    client.setProcessEnvironment(clients);
    client.start(QStringLiteral("dbus-send"),
                 {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                  QStringLiteral("--dest=org.mpris.MediaPlayer2.quillmere"),
                  QStringLiteral("/org/mpris/MediaPlayer2"),
                  QStringLiteral("org.mpris.MediaPlayer2.Player.OpenUri"),
                  QStringLiteral("string:https://example.org/song.mp3")});
    ASSERT_TRUE(waitFor([&] { return client.state() == QProcess::NotRunning; }));
    const QByteArray refusal = client.readAllStandardError();
    EXPECT_TRUE(refusal.contains("NotSupported")) << refusal.constData();
    EXPECT_EQ(window->Player().MusicInfoMng().GetCount(), 0);

    EXPECT_EQ(MprisService::start(*window, QDBusConnection(QStringLiteral("no-such-bus"))),
              nullptr);
}

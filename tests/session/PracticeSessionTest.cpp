// The practice session on its own, over the real engine and back end on the "offline" device:
// the test pulls the sound, so positions advance exactly as far as it renders, and no window
// is involved.
#include "session/PracticeSession.h"

#include "../engine/RecordingPresenter.h"
#include "common/PaintSurface.h"
#include "common/Units.h"
#include "engine/TLxPlayer.h"
#include "support/AudioFixtures.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

namespace {

using quillmere::BytesPerSecond;
using Transport = PracticeSession::Transport;

class PracticeSessionTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RecordingPresenter messages;
    ImagePaintSurface spectrum{QSize(56, 18)};
    std::unique_ptr<TLxPlayer> player;
    std::unique_ptr<PracticeSession> session;

    void SetUp() override
    {
        player = std::make_unique<TLxPlayer>(messages, dir.filePath(QStringLiteral("q.ini")));
        ASSERT_TRUE(player->Init(&spectrum, false, 100, QStringLiteral("offline")));
        session = std::make_unique<PracticeSession>(*player, nullptr);
        session->SetSpectrumSurface(&spectrum);
    }
    void TearDown() override { session.reset(); }

    // Adds a song of `seconds` to the list and returns its line.
    int add(const char *name, double seconds)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(fixtures::writeSndfile(path, fixtures::sine(440, seconds, 44100, 2), 44100, 2,
                                           SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        TLxMusicInfo probed;
        EXPECT_TRUE(player->ProbeFile(path, probed, false));
        return player->MusicInfoMng().AddEntry(path, probed, false, false);
    }

    void render(double seconds)
    {
        std::vector<float> out(1024);
        for (int left = int(seconds * 44100); left > 0; left -= 512) {
            if (player->Backend().renderOffline(out.data(), std::min(512, left)) <= 0)
                break;
        }
    }

    // Plays past the end of the song and runs the clock until the session has acted on it.
    void playToTheEnd(const QString &nextPath)
    {
        render(3.0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return player->IsEnded(); }, 3000));
        session->Tick();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                QString current;
                return player->IsPlaying() && player->MusicInfoMng().GetCurrentFileName(current) &&
                       current == nextPath;
            },
            3000));
    }

    QString path(int line) { return player->MusicInfoMng().Entry(line)->FileName; }
};

TEST_F(PracticeSessionTest, TransportAnnouncesEachStateAndTheClockRunsOnlyWhilePlaying)
{
    add("a.wav", 4.0);
    QSignalSpy states(session.get(), &PracticeSession::transportChanged);
    QSignalSpy started(session.get(), &PracticeSession::songStarted);
    session->PlayLine(0);
    ASSERT_EQ(session->transport(), Transport::Playing);
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0][1].toLongLong(), session->Length());
    EXPECT_NEAR(double(session->Length()), 4.0 * BytesPerSecond, BytesPerSecond / 100.0);
    EXPECT_TRUE(session->Clock().isActive());

    render(1.0);
    session->Pause();
    const qint64 paused = session->Position();
    EXPECT_NEAR(double(paused), double(BytesPerSecond), BytesPerSecond / 5.0);
    EXPECT_FALSE(session->Clock().isActive()); // nothing moves while paused
    session->PlayLine(0);                      // the paused line goes on where it was
    EXPECT_EQ(session->transport(), Transport::Playing);
    EXPECT_NEAR(double(session->Position()), double(paused), BytesPerSecond / 5.0);

    session->Stop();
    EXPECT_EQ(session->Position(), 0);
    EXPECT_FALSE(session->Clock().isActive());
    const QList<QVariant> seen{states[0][0], states[1][0], states[2][0], states[3][0]};
    EXPECT_EQ(seen, (QList<QVariant>{QVariant::fromValue(Transport::Playing),
                                     QVariant::fromValue(Transport::Paused),
                                     QVariant::fromValue(Transport::Playing),
                                     QVariant::fromValue(Transport::Stopped)}));
}

TEST_F(PracticeSessionTest, TheEndOfASongPlaysTheNextOrRepeatsTheSongInABMode)
{
    add("a.wav", 0.5);
    add("b.wav", 0.5);
    session->SetEqualizerBand(2, 6);
    session->PlayLine(0);
    QSignalSpy states(session.get(), &PracticeSession::transportChanged);
    playToTheEnd(path(1));
    playToTheEnd(path(0));                  // the list wraps
    EXPECT_TRUE(states.isEmpty());          // one song follows another without a stop between
    EXPECT_EQ(player->Settings().eq[2], 6); // every start keeps the user's sound

    session->SetABLoop(true);
    QSignalSpy jumps(session.get(), &PracticeSession::positionJumped);
    playToTheEnd(path(0)); // A-B repeat plays the same song again, from its start
    ASSERT_FALSE(jumps.isEmpty());
    EXPECT_EQ(jumps.last()[0].toLongLong(), 0);
}

TEST_F(PracticeSessionTest, SectionsMadeWhileRepeatingAreHeldAndSkipJumpsBetweenThem)
{
    add("a.wav", 6.0);
    session->SetABLoop(true);
    session->PlayLine(0);
    QSignalSpy held(session.get(), &PracticeSession::repeatSectionChanged);
    render(1.0);
    session->SetPointA(false);
    render(1.0);
    session->SetPointB();
    EXPECT_EQ(session->sectioning(), PracticeSession::Sectioning::Inside);
    EXPECT_EQ(session->RepeatSection(), 0);
    ASSERT_FALSE(held.isEmpty());
    EXPECT_EQ(held.last()[0].toInt(), 0);

    render(1.0);
    session->SetPointA(true); // a second section, from 3 s to 4 s
    render(1.0);
    session->SetPointB();
    ASSERT_EQ(player->MusicInfoMng().Entry(0)->Sections.size(), 2u);
    QSignalSpy jumps(session.get(), &PracticeSession::positionJumped);
    session->Skip(false); // back to the first section's A
    ASSERT_EQ(jumps.size(), 1);
    EXPECT_EQ(jumps[0][0].toLongLong(), player->MusicInfoMng().Entry(0)->Sections[0].PosA);
    EXPECT_EQ(session->sectioning(), PracticeSession::Sectioning::Seeking);

    session->DeleteSection(true);
    EXPECT_TRUE(player->MusicInfoMng().Entry(0)->Sections.empty());
    session->SetABLoop(false);
    EXPECT_FALSE(player->IsABLoop());
}

TEST_F(PracticeSessionTest, SoundValuesAreClampedAnnouncedAndReachTheEngine)
{
    QSignalSpy speeds(session.get(), &PracticeSession::speedChanged);
    session->SetSpeedRange(-50, 100);
    session->SetSpeed(250);
    EXPECT_EQ(session->Speed(), 100);
    EXPECT_EQ(player->Settings().speed, 100);
    session->SetSpeedRange(-50, 60);
    session->SetSpeed(session->Speed()); // a narrower range takes the speed along
    EXPECT_EQ(session->Speed(), 60);
    EXPECT_EQ(speeds.last()[0].toInt(), 60);
    session->SetPitch(-30);
    EXPECT_EQ(player->Settings().pitch, PracticeSession::MinPitch);
    session->SetEqualizerBand(2, 15);
    EXPECT_EQ(player->Settings().eq[2], PracticeSession::MaxBandGain);
    session->ResetEqualizer();
    EXPECT_EQ(session->EqualizerBand(2), 0);
    EXPECT_FALSE(session->SetVolume(50)); // without a system mixer nothing is controlled
    EXPECT_EQ(session->Volume(), -1);
}

TEST_F(PracticeSessionTest, ContinuousPlayLimitStopsAtTheEndOfItsTimeAndSaysSo)
{
    add("a.wav", 4.0);
    session->SetPlayLimit(1);
    session->PlayLine(0);
    ASSERT_EQ(session->playLimit(), PracticeSession::PlayLimit::Counting);
    QSignalSpy reached(session.get(), &PracticeSession::playLimitReached);
    session->SetLimitElapsedMs(10 * 60000 - PracticeSession::ClockIntervalMs);
    session->Tick();
    EXPECT_EQ(session->playLimit(), PracticeSession::PlayLimit::Expired);
    ASSERT_TRUE(reached.wait(1000));
    EXPECT_EQ(session->transport(), Transport::Stopped);
    EXPECT_EQ(session->playLimit(), PracticeSession::PlayLimit::Off);
}

TEST_F(PracticeSessionTest, AFileThatCannotBeOpenedIsReportedAndNothingPlays)
{
    const QString bad = dir.filePath(QStringLiteral("bad.wav"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not audio");
    file.close();
    QSignalSpy failed(session.get(), &PracticeSession::songFailed);
    EXPECT_FALSE(session->PlayFile(bad));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toString(), bad);
    EXPECT_EQ(session->transport(), Transport::Stopped);
}

} // namespace

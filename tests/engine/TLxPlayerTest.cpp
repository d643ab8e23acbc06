// The engine over the real back end on the "offline" device, with generated songs.
#include "engine/TLxPlayer.h"

#include "RecordingPresenter.h"
#include "audio/dsp/Biquad.h"
#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "common/PaintSurface.h"
#include "support/AudioFixtures.h"
#include "support/SignalAnalysis.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

class TLxPlayerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RecordingPresenter messages;
    ImagePaintSurface spectrum{QSize(56, 18)};
    std::unique_ptr<TLxPlayer> player;
    QString ini;

    void SetUp() override
    {
        ini = dir.filePath(QStringLiteral("quillmere.ini"));
        player = std::make_unique<TLxPlayer>(messages, ini);
        ASSERT_TRUE(player->Init(&spectrum, true, 100, QStringLiteral("offline")));
    }

    QString song(const char *name, std::vector<float> samples, int rate = 44100, int channels = 2,
                 int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(fixtures::writeSndfile(path, samples, rate, channels, format));
        return path;
    }

    bool open(const QString &path) { return player->OpenSong(path, 0, 0, 0, 0, {}); }

    std::vector<float> render(int frames)
    {
        std::vector<float> out(size_t(frames) * 2);
        int done = 0;
        while (done < frames) {
            const int n = player->Backend().renderOffline(out.data() + 2 * done,
                                                          std::min(512, frames - done));
            if (n <= 0)
                break;
            done += n;
        }
        out.resize(size_t(done) * 2);
        return out;
    }
};

TEST_F(TLxPlayerTest, PositionIsZeroUnlessPlaying)
{
    ASSERT_TRUE(open(song("a.wav", fixtures::sine(440, 2.0, 44100, 2))));
    EXPECT_EQ(player->GetLengthBytes(), 2 * 176400);
    EXPECT_EQ(player->GetPosition(), 0);
    player->Play(false, true);
    render(44100);
    EXPECT_NEAR(double(player->GetPosition()), 176400, 4 * 512);
    player->Pause(&spectrum);
    EXPECT_TRUE(player->IsPaused());
    EXPECT_EQ(player->GetPosition(), 0);
    EXPECT_EQ(spectrum.canvas().pixelColor(10, 10), QColor(Qt::black));
    player->Stop(nullptr);
    player->Pause(nullptr); // no song open: still reports paused
    EXPECT_TRUE(player->IsPaused());
    EXPECT_EQ(player->GetLengthBytes(), 2 * 176400); // the stored length stays
}

TEST_F(TLxPlayerTest, FailedSecondOpenLeavesNoSongAndKeepsTheState)
{
    ASSERT_TRUE(open(song("a.wav", fixtures::sine(440, 2.0, 44100, 2))));
    player->Play(false, true);
    render(4410);
    const QString bad = dir.filePath(QStringLiteral("bad.mp3"));
    testfiles::writeFile(bad, QByteArray("not audio at all").repeated(100));
    EXPECT_FALSE(open(bad));
    EXPECT_TRUE(player->IsPlaying()); // the state is not changed by opening
    EXPECT_EQ(player->GetPosition(), 0);
    EXPECT_EQ(render(4410).size(), 0u); // nothing sounds any more
    ASSERT_FALSE(messages.texts.isEmpty());
    EXPECT_EQ(messages.texts.last(),
              QStringLiteral("ファイル[%1]の再生ができません。サポート対象外のファイル[3]です。")
                  .arg(bad));
    // The failed file was still added to the playlist, as a file that exists.
    EXPECT_EQ(player->MusicInfoMng().GetCount(), 2);
}

TEST_F(TLxPlayerTest, OpenSongFindsAListedFileAndRecordsItsFormat)
{
    const QString a = song("a.wav", fixtures::sine(440, 1.0, 44100, 1), 44100, 1,
                           SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_TRUE(open(a));
    ASSERT_TRUE(open(a));
    EXPECT_EQ(player->MusicInfoMng().GetCount(), 1);
    EXPECT_EQ(player->MusicInfoMng().Entry(0)->AudioFormat,
              QStringLiteral("Floating-point Wave [1ch]"));

    TLxMusicInfo probed;
    const QString b =
        song("b.wav", fixtures::sine(440, 3.0, 44100, 2), 44100, 2, SF_FORMAT_WAV | SF_FORMAT_ULAW);
    ASSERT_TRUE(player->ProbeFile(b, probed, true));
    EXPECT_EQ(probed.AudioFormat, QStringLiteral("不明 [2ch]")); // WAV with another codec
    EXPECT_EQ(probed.Length, 3 * 176400);
    EXPECT_EQ(player->MusicInfoMng().GetCount(), 1); // probing adds nothing
    EXPECT_FALSE(player->ProbeFile(dir.filePath(QStringLiteral("none.wav")), probed, false));
    EXPECT_EQ(messages.texts.size(), 0);
}

TEST_F(TLxPlayerTest, OneEqualizerBandChangesOnlyItsBand)
{
    // 250 Hz and 1000 Hz together; the 1000 Hz band at -10 dB.
    auto low = fixtures::sine(250, 2.0, 44100, 2, 0.3);
    const auto high = fixtures::sine(1000, 2.0, 44100, 2, 0.3);
    for (size_t i = 0; i < low.size(); ++i)
        low[i] += high[i];
    ASSERT_TRUE(player->OpenSong(song("two.wav", low, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_FLOAT), 0,
                                 0, 0, 0, {0, 0, -10, 0, 0, 0}));
    player->Play(false, false);
    const auto out = analysis::channel(render(44100), 0);
    // Measure each tone by correlating with it over whole periods.
    auto level = [&](double hz) {
        double re = 0, im = 0;
        for (size_t i = 4410; i < 4410 + 39690; ++i) {
            re += out[i] * std::cos(2 * M_PI * hz * double(i) / 44100);
            im += out[i] * std::sin(2 * M_PI * hz * double(i) / 44100);
        }
        return 20 * std::log10(2 * std::hypot(re, im) / 39690 / 0.3);
    };
    EXPECT_NEAR(level(1000), -10, 0.7);
    // Two octaves away only the skirt of the 18-semitone band remains, as its curve predicts.
    const auto band = peakingCoefficients({1000, 18, -10}, 44100);
    EXPECT_NEAR(level(250), biquadGainDb(band, 250, 44100), 0.5);
    EXPECT_GT(level(250), -1.5);
}

TEST_F(TLxPlayerTest, EndOfSongSetsTheFlagAndStops)
{
    ASSERT_TRUE(open(song("short.wav", fixtures::sine(440, 0.3, 44100, 2))));
    player->Play(false, true);
    render(44100);
    for (int i = 0; i < 500 && !player->IsEnded(); ++i)
        std::this_thread::sleep_for(2ms);
    EXPECT_TRUE(player->IsEnded());
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(player->GetPosition(), 0);
    player->ClearEnded();
    EXPECT_FALSE(player->IsEnded());
    player->Play(false, true); // no channel any more: nothing happens
    EXPECT_FALSE(player->IsPlaying());
}

TEST_F(TLxPlayerTest, SettingsChangedWithoutASongAreWrittenAtExit)
{
    player->SetSpeed(-25);
    player->SetPitch(3);
    player->SetPan(-40);
    player->SetReverb(7);
    player->SetEqualizerBand(6, -4);
    player.reset();
    const auto file = quillmere::IniFile::load(ini);
    EXPECT_EQ(file.readInteger(u"Player", u"Speed", 0), -25);
    EXPECT_EQ(file.readInteger(u"Player", u"Pitch", 0), 3);
    EXPECT_EQ(file.readInteger(u"Player", u"Pan", 0), -40);
    EXPECT_EQ(file.readInteger(u"Player", u"Reverb", 0), 7);
    EXPECT_EQ(file.readInteger(u"Player", u"EQ_8000", 0), -4);
    EXPECT_EQ(file.readString(u"Player", u"Stretcher", {}), QStringLiteral("rubberband"));
    player = std::make_unique<TLxPlayer>(messages, ini);
    EXPECT_EQ(player->Settings().speed, -25);
    EXPECT_EQ(player->Settings().eq[5], -4);
}

TEST_F(TLxPlayerTest, OutputThatCannotStartIsReported)
{
    TLxPlayer other(messages, dir.filePath(QStringLiteral("other.ini")));
    EXPECT_FALSE(other.Init(&spectrum, true, 100, QStringLiteral("file:/no/such/folder/x.wav")));
    EXPECT_EQ(messages.texts.last(),
              QStringLiteral("デバイスの初期化に失敗したため実行を継続できません。"));
    EXPECT_EQ(messages.icons.last(), MessagePresenter::Icon::Error);
}

// No browser and no desktop to ask for one (here xdg-open is not on the PATH): the box names
// the help file, so that the user can open it by hand.
TEST_F(TLxPlayerTest, HelpThatCannotBeOpenedIsNamedInABox)
{
    const QString help = quillmere::AppPaths::dataFile(QStringLiteral("help/index.html"));
    QTemporaryDir noPrograms;
    const char *const unset[] = {"BROWSER", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                                 "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"};
    std::vector<QByteArray> kept;
    for (const char *name : unset) {
        kept.push_back(qgetenv(name));
        qunsetenv(name);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(noPrograms.path()));
    player->ShowHelp();
    qputenv("PATH", path);
    for (size_t i = 0; i < kept.size(); ++i) {
        if (!kept[i].isEmpty())
            qputenv(unset[i], kept[i]);
    }
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_EQ(
        messages.texts[0],
        QStringLiteral("ヘルプを開けませんでした。次のファイルをブラウザーで開いてください:\n") +
            help);
    EXPECT_EQ(messages.icons[0], MessagePresenter::Icon::Information);
}

TEST_F(TLxPlayerTest, SpectrumShowsWhileTheSongSounds)
{
    ASSERT_TRUE(open(song("a.wav", fixtures::sine(700, 2.0, 44100, 2, 0.9))));
    player->Play(false, true);
    render(8192);
    player->DrawSpectrum(&spectrum);
    // 700 Hz is near magnitude 16, bar 11 at x = 44: it reaches the top of the 18-pixel box.
    EXPECT_EQ(spectrum.canvas().pixelColor(45, 1), QColor(0, 0, 255));
    EXPECT_EQ(spectrum.canvas().pixelColor(3, 1), QColor(Qt::black));
}

} // namespace

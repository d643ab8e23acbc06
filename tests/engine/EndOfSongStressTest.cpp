// A thousand short songs end on the back end's event thread while the UI thread seeks,
// changes speed, pitch, equaliser and pan, and pauses. Run under ThreadSanitizer in CI: no
// data race, no deadlock, every end noticed once.
#include "RecordingPresenter.h"
#include "common/IniFile.h"
#include "common/PaintSurface.h"
#include "engine/TLxPlayer.h"
#include "support/AudioFixtures.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Stands in for a sound card that asks for sound as fast as it comes.
class FastDevice {
public:
    explicit FastDevice(quillmere::audio::AudioBackend &backend)
        : m_thread([this, &backend] {
              std::vector<float> buffer(256 * 2);
              while (m_running.load())
                  if (backend.renderOffline(buffer.data(), 256) <= 0)
                      std::this_thread::sleep_for(100us);
          })
    {
    }
    ~FastDevice()
    {
        m_running.store(false);
        m_thread.join();
    }

private:
    std::atomic<bool> m_running{true};
    std::thread m_thread;
};

void stress(const char *stretcher, int songs)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("quillmere.ini"));
    quillmere::IniFile settings;
    settings.writeString(u"Player", u"Stretcher", QString::fromLatin1(stretcher));
    ASSERT_TRUE(settings.save(ini).ok);
    QStringList files;
    for (int i = 0; i < 4; ++i) {
        files << dir.filePath(QStringLiteral("song%1.wav").arg(i));
        ASSERT_TRUE(fixtures::writeSndfile(files.back(),
                                           fixtures::sine(300 + 100 * i, 0.05 + 0.02 * i, 44100, 2),
                                           44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
    }

    RecordingPresenter messages;
    ImagePaintSurface spectrum(QSize(56, 18));
    TLxPlayer player(messages, ini);
    ASSERT_TRUE(player.Init(&spectrum, true, 100, QStringLiteral("offline")));
    FastDevice device(player.Backend());
    QRandomGenerator random(1234);

    for (int song = 0; song < songs; ++song) {
        ASSERT_TRUE(player.OpenSong(files[song % 4], 0, int(random.bounded(-75, 301)), 0, 0, {}))
            << song;
        player.Play(false, true);
        const auto giveUp = std::chrono::steady_clock::now() + 10s;
        while (!player.IsEnded()) {
            ASSERT_LT(std::chrono::steady_clock::now(), giveUp)
                << "song " << song << " never ended; playing " << player.IsPlaying() << " paused "
                << player.IsPaused() << " position " << player.GetPosition() << " length "
                << player.GetLengthBytes();
            // A millisecond per step: far faster than a person or the 50 ms timer, yet the song
            // still gets to its end between the seeks.
            std::this_thread::sleep_for(1ms);
            switch (random.bounded(8)) {
            case 0:
                if (random.bounded(5) == 0)
                    player.SetPosition(qint64(random.bounded(1000)) * 4);
                break;
            case 1:
                player.SetSpeed(int(random.bounded(-75, 301)));
                break;
            case 2:
                player.SetPitch(int(random.bounded(-24, 25)));
                break;
            case 3:
                player.SetEqualizerBand(int(random.bounded(1, 7)), int(random.bounded(-10, 11)));
                break;
            case 4:
                player.SetPan(int(random.bounded(-100, 101)));
                break;
            case 5:
                player.Pause(&spectrum);
                std::this_thread::sleep_for(200us);
                player.Play(false, true);
                break;
            case 6:
                player.DrawSpectrum(&spectrum);
                break;
            default:
                player.GetPosition();
                break;
            }
        }
        EXPECT_FALSE(player.IsPlaying());
        player.ClearEnded();
    }
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'\n').toStdString();
}

// Under a sanitizer every step runs many times slower; a quarter of the songs still gives
// the races and the ends hundreds of chances, within the test's time limit.
// ThreadSanitizer is the slowest by far: an eighth.
#if defined(__SANITIZE_THREAD__)
constexpr int SongShare = 8;
#elif defined(__SANITIZE_ADDRESS__)
constexpr int SongShare = 4;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr int SongShare = 8;
#elif __has_feature(address_sanitizer) || __has_feature(realtime_sanitizer)
constexpr int SongShare = 4;
#else
constexpr int SongShare = 1;
#endif
#else
constexpr int SongShare = 1;
#endif

TEST(EndOfSongStress, SoundTouch)
{
    stress("soundtouch", 1000 / SongShare);
}

TEST(EndOfSongStress, RubberBand)
{
    stress("rubberband", 100 / SongShare);
}

} // namespace

// A tempo channel over a real decoder whose seeks can be made to fail, as they do on a source
// whose disc has gone or whose format cannot seek; the test thread plays the output callback.
#include "audio/core/TempoChannel.h"

#include "audio/decoders/SndfileDecoder.h"
#include "audio/decoders/StereoConverter.h"
#include "support/AudioFixtures.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace quillmere::audio;
using namespace std::chrono_literals;

class SeekFailures final : public Decoder {
public:
    explicit SeekFailures(DecoderPtr inner) : m_inner(std::move(inner)) {}
    const SourceInfo &info() const override { return m_inner->info(); }
    qint64 read(float *samples, qint64 frames) override
    {
        ++reads;
        return m_inner->read(samples, frames);
    }
    bool seek(qint64 frame) override { return !failing && m_inner->seek(frame); }

    std::atomic<bool> failing{false};
    std::atomic<int> reads{0};

private:
    DecoderPtr m_inner;
};

class TempoChannelTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SeekFailures *source = nullptr;
    std::unique_ptr<TempoChannel> channel;

    void SetUp() override
    {
        const QString path = dir.filePath(QStringLiteral("sine.wav"));
        ASSERT_TRUE(fixtures::writeSndfile(path, fixtures::sine(440, 5.0, 44100, 2), 44100, 2,
                                           SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        ErrorCode error = ErrorCode::Ok;
        auto failing = std::make_unique<SeekFailures>(
            std::make_unique<StereoConverter>(openSndfileDecoder(path, error)));
        source = failing.get();
        channel = std::make_unique<TempoChannel>(std::move(failing), Stretcher::Kind::SoundTouch);
    }

    void start()
    {
        channel->start();
        channel->setState(TempoChannel::State::Playing);
    }

    // Waits until the decoder has filled every ring and stopped reading.
    void waitUntilTheRingsAreFull()
    {
        int before = -1;
        while (source->reads.load() != before) {
            before = source->reads.load();
            std::this_thread::sleep_for(30ms);
        }
    }

    // Plays until the channel says the song ended; false if it does not within `seconds`.
    bool playsToItsEnd(double seconds)
    {
        std::array<float, 512 * 2> mix{};
        qint64 outputFrame = 0;
        const auto limit =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < limit) {
            if (channel->mixInto(mix.data(), 512, outputFrame) == 0)
                std::this_thread::sleep_for(1ms);
            outputFrame += 512;
            if (channel->takeEnded())
                return true;
        }
        return false;
    }
};

TEST_F(TempoChannelTest, AFailedSeekWhileTheRingIsFullStillEndsTheSong)
{
    start();
    waitUntilTheRingsAreFull();
    source->failing = true;
    channel->seek(44100);
    ASSERT_TRUE(playsToItsEnd(5.0));
    EXPECT_EQ(channel->state(), TempoChannel::State::Stopped);
    EXPECT_EQ(channel->mixedPositionFrames(), channel->lengthFrames());
}

TEST_F(TempoChannelTest, AWrapThatCannotSeekEndsTheSongAtB)
{
    channel->setLoop(22050, 44100);
    start();
    while (source->reads.load() < 2) // the first seek went through
        std::this_thread::sleep_for(1ms);
    source->failing = true;
    ASSERT_TRUE(playsToItsEnd(5.0));
    EXPECT_LE(channel->mixedPositionFrames(), 44100);
    EXPECT_GE(channel->mixedPositionFrames(), 44100 - LoopReader::CrossfadeFrames);
}

} // namespace

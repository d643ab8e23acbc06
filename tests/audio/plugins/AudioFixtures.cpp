#include "AudioFixtures.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace audiofixtures {

bool runFfmpeg(const QStringList &arguments)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                             QStringLiteral("error"), QStringLiteral("-y")} +
                     arguments);
    const bool done = ffmpeg.waitForFinished(60000);
    const bool ok = done && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
    EXPECT_TRUE(ok) << "ffmpeg " << arguments.join(QLatin1Char(' ')).toStdString() << ": "
                    << ffmpeg.readAll().toStdString();
    return ok;
}

bool makeSine(const QString &path, int rate, const QStringList &codecArguments)
{
    const QString source = QStringLiteral("sine=frequency=440:duration=3:sample_rate=%1").arg(rate);
    return runFfmpeg(QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"),
                                 QStringLiteral("-i"), source, QStringLiteral("-ac"),
                                 QStringLiteral("2")} +
                     codecArguments + QStringList{path});
}

std::vector<float> readFrames(quillmere::audio::Decoder &decoder, qint64 frames)
{
    const auto channels = static_cast<size_t>(decoder.info().channels);
    std::vector<float> samples(static_cast<size_t>(frames) * channels);
    qint64 done = 0;
    while (done < frames) {
        const qint64 got = decoder.read(samples.data() + done * channels, frames - done);
        if (got <= 0)
            break;
        done += got;
    }
    samples.resize(static_cast<size_t>(done) * channels);
    return samples;
}

std::vector<float> readToEnd(quillmere::audio::Decoder &decoder, bool *failed)
{
    const auto channels = static_cast<size_t>(decoder.info().channels);
    std::vector<float> all;
    // Odd block sizes exercise reads that end inside a decoded frame.
    std::vector<float> block(1237 * channels);
    for (;;) {
        const qint64 got = decoder.read(block.data(), 1237);
        if (got < 0 && failed != nullptr)
            *failed = true;
        if (got <= 0)
            break;
        all.insert(all.end(), block.begin(), block.begin() + got * static_cast<qint64>(channels));
    }
    return all;
}

double zeroCrossingFrequency(const std::vector<float> &samples, int channels, int channel,
                             qint64 first, qint64 count, int rate)
{
    int crossings = 0;
    const qint64 end = std::min<qint64>(first + count, samples.size() / channels);
    for (qint64 i = first + 1; i < end; ++i) {
        if (samples[(i - 1) * channels + channel] < 0 && samples[i * channels + channel] >= 0)
            ++crossings;
    }
    return end > first ? crossings * double(rate) / double(end - first) : 0.0;
}

double rms(const std::vector<float> &samples)
{
    double sum = 0;
    for (float s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
}

Match bestMatch(const std::vector<float> &whole, const std::vector<float> &part, int channels,
                qint64 at, qint64 maxLag)
{
    Match best{0, std::numeric_limits<float>::infinity()};
    const auto wholeFrames = static_cast<qint64>(whole.size()) / channels;
    const auto partFrames = static_cast<qint64>(part.size()) / channels;
    for (qint64 lag = -maxLag; lag <= maxLag; ++lag) {
        const qint64 start = at + lag;
        if (start < 0 || start + partFrames > wholeFrames || partFrames == 0)
            continue;
        float worst = 0;
        for (qint64 i = 0; i < partFrames * channels; ++i)
            worst = std::max(worst, std::fabs(part[i] - whole[start * channels + i]));
        if (worst < best.maxDifference)
            best = {lag, worst};
    }
    return best;
}

} // namespace audiofixtures

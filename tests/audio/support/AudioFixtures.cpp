#include "support/AudioFixtures.h"

#include <QFile>
#include <QProcess>

#include <sndfile.h>

#include <cmath>
#include <numbers>

namespace fixtures {

std::vector<float> sine(double frequencyHz, double seconds, int rate, int channels,
                        double amplitude)
{
    const auto frames = static_cast<size_t>(std::llround(seconds * rate));
    std::vector<float> samples(frames * static_cast<size_t>(channels));
    for (size_t f = 0; f < frames; ++f) {
        const auto value = static_cast<float>(
            amplitude * std::sin(2 * std::numbers::pi * frequencyHz * double(f) / rate));
        for (int c = 0; c < channels; ++c)
            samples[f * static_cast<size_t>(channels) + static_cast<size_t>(c)] = value;
    }
    return samples;
}

std::vector<float> clicks(const std::vector<double> &timesS, double seconds, int rate, int channels)
{
    const auto frames = static_cast<size_t>(std::llround(seconds * rate));
    std::vector<float> samples(frames * static_cast<size_t>(channels), 0.0f);
    for (double t : timesS) {
        const auto f = static_cast<size_t>(std::llround(t * rate));
        for (int c = 0; c < channels && f < frames; ++c)
            samples[f * static_cast<size_t>(channels) + static_cast<size_t>(c)] = 0.9f;
    }
    return samples;
}

bool writeSndfile(const QString &path, const std::vector<float> &samples, int rate, int channels,
                  int format)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool ok = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

std::vector<float> readSndfile(const QString &path, SF_INFO &info)
{
    info = SF_INFO{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<float> samples(size_t(info.frames) * size_t(info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return false;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace fixtures

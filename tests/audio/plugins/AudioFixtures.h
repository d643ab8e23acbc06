#pragma once

#include "audio/decoders/Decoder.h"

#include <QString>
#include <QStringList>

#include <vector>

// Audio files made with the ffmpeg command-line tool, and measurements of decoded audio.
namespace audiofixtures {

// Runs ffmpeg with the arguments; false (and a test failure) when it does not succeed.
bool runFfmpeg(const QStringList &arguments);
// A 3-second 440 Hz stereo sine at `rate`, encoded with `codec` (and extra arguments) into path.
bool makeSine(const QString &path, int rate, const QStringList &codecArguments);

// Every sample of a decoder from its current position to the end; `failed` set on a -1.
std::vector<float> readToEnd(quillmere::audio::Decoder &decoder, bool *failed = nullptr);
std::vector<float> readFrames(quillmere::audio::Decoder &decoder, qint64 frames);

// Frequency of one channel from its rising zero crossings in [first, first + count) frames.
double zeroCrossingFrequency(const std::vector<float> &samples, int channels, int channel,
                             qint64 first, qint64 count, int rate);
double rms(const std::vector<float> &samples);

// The offset in [-maxLag, maxLag] frames at which `part` best matches `whole` from `at` on,
// and the largest sample difference there.
struct Match {
    qint64 lag = 0;
    float maxDifference = 0;
};
Match bestMatch(const std::vector<float> &whole, const std::vector<float> &part, int channels,
                qint64 at, qint64 maxLag);

} // namespace audiofixtures

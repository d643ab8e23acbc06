#pragma once

#include <QString>
#include <QStringList>

#include <sndfile.h>

#include <functional>
#include <vector>

// Audio files generated for the tests, and the signals in them.
namespace fixtures {

// Interleaved samples of a sine of amplitude `amplitude` in every channel.
std::vector<float> sine(double frequencyHz, double seconds, int rate, int channels,
                        double amplitude = 0.5);
// Silence with a one-sample click of 0.9 at each given time (seconds), in every channel.
std::vector<float> clicks(const std::vector<double> &timesS, double seconds, int rate,
                          int channels);

// Writes samples with libsndfile; format is a libsndfile SF_FORMAT_* combination.
// Returns false (and the test should fail) when libsndfile refuses.
bool writeSndfile(const QString &path, const std::vector<float> &samples, int rate, int channels,
                  int format);

// Reads a whole file with libsndfile: interleaved samples, and info filled in (frames 0 and
// nothing returned when it cannot be opened).
std::vector<float> readSndfile(const QString &path, SF_INFO &info);

// Runs a command line tool (ffmpeg, for example) and waits; true on exit code 0.
bool run(const QString &program, const QStringList &arguments);

} // namespace fixtures

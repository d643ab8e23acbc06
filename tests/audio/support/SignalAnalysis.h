#pragma once

#include <cstddef>
#include <vector>

using std::size_t;

// Measurements on interleaved stereo output at 44100 Hz.
namespace analysis {

std::vector<float> channel(const std::vector<float> &stereo, int index);

// The frequency of a clean periodic signal from its rising zero crossings between `from` and
// `to` (in samples), interpolated between samples: accurate to far better than a cent over a
// second of a sine.
double frequencyHz(const std::vector<float> &mono, size_t from, size_t to, double rate = 44100);

// The same from the median of the periods between rising zero crossings: a dropout (a buffer
// a loaded machine lost) spoils a few periods instead of the whole measurement.
double medianPeriodHz(const std::vector<float> &mono, size_t from, size_t to, double rate);

double rms(const std::vector<float> &mono, size_t from, size_t to);
double toDb(double value);

// Sample indexes where |x| first exceeds threshold after at least `gap` quiet samples.
std::vector<size_t> onsets(const std::vector<float> &mono, float threshold, size_t gap);

// Cents between two frequencies.
double cents(double measured, double expected);

} // namespace analysis

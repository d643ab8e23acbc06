#include "support/SignalAnalysis.h"

#include <algorithm>
#include <cmath>

namespace analysis {

std::vector<float> channel(const std::vector<float> &stereo, int index)
{
    std::vector<float> mono(stereo.size() / 2);
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = stereo[2 * i + static_cast<size_t>(index)];
    return mono;
}

namespace {

// Where the signal rises through zero between `from` and `to`, interpolated between samples.
std::vector<double> risingCrossings(const std::vector<float> &mono, size_t from, size_t to)
{
    to = std::min(to, mono.size());
    std::vector<double> crossings;
    for (size_t i = std::max<size_t>(from, 1); i < to; ++i) {
        if (mono[i - 1] < 0 && mono[i] >= 0)
            crossings.push_back(double(i - 1) + mono[i - 1] / (mono[i - 1] - mono[i]));
    }
    return crossings;
}

} // namespace

double frequencyHz(const std::vector<float> &mono, size_t from, size_t to, double rate)
{
    const std::vector<double> crossings = risingCrossings(mono, from, to);
    if (crossings.size() < 2)
        return 0;
    return double(crossings.size() - 1) * rate / (crossings.back() - crossings.front());
}

double medianPeriodHz(const std::vector<float> &mono, size_t from, size_t to, double rate)
{
    const std::vector<double> crossings = risingCrossings(mono, from, to);
    if (crossings.size() < 2)
        return 0;
    std::vector<double> periods(crossings.size() - 1);
    for (size_t i = 0; i < periods.size(); ++i)
        periods[i] = crossings[i + 1] - crossings[i];
    std::nth_element(periods.begin(), periods.begin() + long(periods.size() / 2), periods.end());
    return rate / periods[periods.size() / 2];
}

double rms(const std::vector<float> &mono, size_t from, size_t to)
{
    to = std::min(to, mono.size());
    if (to <= from)
        return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(mono[i]) * mono[i];
    return std::sqrt(sum / double(to - from));
}

double toDb(double value)
{
    return 20 * std::log10(std::max(value, 1e-12));
}

std::vector<size_t> onsets(const std::vector<float> &mono, float threshold, size_t gap)
{
    std::vector<size_t> found;
    size_t quiet = gap;
    for (size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(mono[i]) > threshold) {
            if (quiet >= gap)
                found.push_back(i);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return found;
}

double cents(double measured, double expected)
{
    return 1200 * std::log2(measured / expected);
}

} // namespace analysis

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

double frequencyHz(const std::vector<float> &mono, size_t from, size_t to, double rate)
{
    to = std::min(to, mono.size());
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = std::max<size_t>(from, 1); i < to; ++i) {
        if (mono[i - 1] < 0 && mono[i] >= 0) {
            const double t = double(i - 1) + mono[i - 1] / (mono[i - 1] - mono[i]);
            if (first < 0)
                first = t;
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * rate / (last - first);
}

double medianPeriodHz(const std::vector<float> &mono, size_t from, size_t to, double rate)
{
    to = std::min(to, mono.size());
    std::vector<double> periods;
    double previous = -1;
    for (size_t i = std::max<size_t>(from, 1); i < to; ++i) {
        if (mono[i - 1] < 0 && mono[i] >= 0) {
            const double t = double(i - 1) + mono[i - 1] / (mono[i - 1] - mono[i]);
            if (previous >= 0)
                periods.push_back(t - previous);
            previous = t;
        }
    }
    if (periods.empty())
        return 0;
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

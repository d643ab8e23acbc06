#include "audio/decoders/Downmix.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quillmere::audio {
namespace {

constexpr float Minus3Db = 0.70710678f;

constexpr std::array<Speaker, 8> WavOrder = {
    Speaker::FrontLeft, Speaker::FrontRight, Speaker::FrontCentre, Speaker::Lfe,
    Speaker::BackLeft,  Speaker::BackRight,  Speaker::SideLeft,    Speaker::SideRight};

struct Gains {
    float left, right;
};

Gains gainsFor(Speaker speaker)
{
    switch (speaker) {
    case Speaker::FrontLeft:
    case Speaker::FrontLeftOfCentre:
    case Speaker::TopFrontLeft:
        return {1, 0};
    case Speaker::FrontRight:
    case Speaker::FrontRightOfCentre:
    case Speaker::TopFrontRight:
        return {0, 1};
    case Speaker::FrontCentre:
    case Speaker::TopCentre:
    case Speaker::TopFrontCentre:
        return {Minus3Db, Minus3Db};
    case Speaker::BackLeft:
    case Speaker::SideLeft:
    case Speaker::TopBackLeft:
        return {Minus3Db, 0};
    case Speaker::BackRight:
    case Speaker::SideRight:
    case Speaker::TopBackRight:
        return {0, Minus3Db};
    case Speaker::Lfe:
        return {0, 0};
    case Speaker::BackCentre:
    case Speaker::TopBackCentre:
    case Speaker::Unknown:
        break;
    }
    return {0.5f, 0.5f};
}

} // namespace

StereoDownmix stereoDownmix(int channels, const std::vector<Speaker> &speakers)
{
    const bool mapped = int(speakers.size()) == channels;
    StereoDownmix mix;
    double leftPower = 0, rightPower = 0;
    for (int c = 0; c < channels; ++c) {
        const Speaker speaker = mapped                     ? speakers[size_t(c)]
                                : c < int(WavOrder.size()) ? WavOrder[size_t(c)]
                                                           : Speaker::Unknown;
        const Gains g = gainsFor(speaker);
        mix.left.push_back(g.left);
        mix.right.push_back(g.right);
        leftPower += double(g.left) * g.left;
        rightPower += double(g.right) * g.right;
    }
    const double most = std::max(leftPower, rightPower);
    if (most > 1) {
        const float scale = float(1 / std::sqrt(most));
        for (int c = 0; c < channels; ++c) {
            mix.left[size_t(c)] *= scale;
            mix.right[size_t(c)] *= scale;
        }
    }
    return mix;
}

} // namespace quillmere::audio

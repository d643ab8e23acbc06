#pragma once

#include <QtGlobal>

// The units every layer shares. A byte position is a frame index x 4 (16-bit stereo at
// 44100 Hz): 176,400 bytes are one second of the song's own time, whatever the playback
// speed or the rate the sound device runs at. Positions in playlists, sections, sliders and
// the engine are all in these bytes; the conversions to other units live here and nowhere
// else.
namespace quillmere {

constexpr int PositionRate = 44100; // frames per second of song time
constexpr qint64 BytesPerFrame = 4;
constexpr qint64 BytesPerSecond = PositionRate * BytesPerFrame;

constexpr qint64 framesToBytes(qint64 frames)
{
    return frames * BytesPerFrame;
}
constexpr qint64 bytesToFrames(qint64 bytes)
{
    return bytes / BytesPerFrame;
}
constexpr double bytesToSeconds(qint64 bytes)
{
    return double(bytes) / double(BytesPerSecond);
}
// Whole seconds, rounded down; negative lengths count as none.
constexpr qint64 bytesToWholeSeconds(qint64 bytes)
{
    return bytes > 0 ? bytes / BytesPerSecond : 0;
}
// Seconds to a byte position on a frame boundary, rounded down.
constexpr qint64 secondsToBytes(qint64 seconds)
{
    return seconds * BytesPerSecond;
}
constexpr qint64 bytesToMilliseconds(qint64 bytes)
{
    return bytes * 1000 / BytesPerSecond;
}
constexpr qint64 millisecondsToBytes(qint64 ms)
{
    return ms * BytesPerSecond / 1000 / BytesPerFrame * BytesPerFrame;
}
// Microseconds are the desktop bus's unit of time.
constexpr qint64 bytesToMicroseconds(qint64 bytes)
{
    return bytes * 1000000 / BytesPerSecond;
}
constexpr qint64 microsecondsToBytes(qint64 us)
{
    return us * BytesPerSecond / 1000000 / BytesPerFrame * BytesPerFrame;
}

} // namespace quillmere

#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

namespace quillmere::audio {

// Where a source channel is meant to be heard; Unknown for anything without a place
// (ambisonic components, say).
enum class Speaker : quint8 {
    Unknown,
    FrontLeft,
    FrontRight,
    FrontCentre,
    Lfe,
    BackLeft,
    BackRight,
    BackCentre,
    SideLeft,
    SideRight,
    FrontLeftOfCentre,
    FrontRightOfCentre,
    TopCentre,
    TopFrontLeft,
    TopFrontRight,
    TopFrontCentre,
    TopBackLeft,
    TopBackRight,
    TopBackCentre,
};

// What a decoder knows of its source before any conversion.
struct SourceInfo {
    int channels = 0;
    int sampleRate = 0;
    quint32 typeCode = 0; // the format's type code, as shown in the channel info
    qint64 frames = -1;   // length in source frames; -1 when not known
    int plugin = 0;       // handle of the plug-in that opened it; 0 for a built-in decoder
    // One per channel when the file says; empty: the WAV order (front left, front right,
    // centre, LFE, back left, back right, side left, side right).
    std::vector<Speaker> speakers;
};

// One open audio source. Created on the thread that opens the file; afterwards used by the
// stream's decoder thread only.
class Decoder {
public:
    virtual ~Decoder() = default;
    virtual const SourceInfo &info() const = 0;
    // Reads up to `frames` frames of interleaved float samples (info().channels per frame, at
    // info().sampleRate). Returns the frames read: 0 at the end, -1 on an error.
    virtual qint64 read(float *samples, qint64 frames) = 0;
    // Moves to a source frame; false when the source cannot seek there.
    virtual bool seek(qint64 frame) = 0;
};

using DecoderPtr = std::unique_ptr<Decoder>;

} // namespace quillmere::audio

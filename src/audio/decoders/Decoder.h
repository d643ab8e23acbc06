#pragma once

#include <QtGlobal>

#include <memory>

namespace quillmere::audio {

// What a decoder knows of its source before any conversion.
struct SourceInfo {
    int channels = 0;
    int sampleRate = 0;
    quint32 typeCode = 0; // the format's type code, as shown in the channel info
    qint64 frames = -1;   // length in source frames; -1 when not known
    int plugin = 0;       // handle of the plug-in that opened it; 0 for a built-in decoder
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

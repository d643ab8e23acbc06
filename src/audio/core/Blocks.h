#pragma once

#include <QtGlobal>

namespace quillmere::audio {

// Decoded source audio on its way from the decoder thread to the render thread.
struct DecodedBlock {
    static constexpr int Capacity = 1024;
    quint64 generation = 0; // the seek it belongs to; older ones are dropped
    qint64 sourceFrame = 0; // of the first frame
    int frames = 0;
    qint64 nextFrame = 0;     // of the frame that follows: not the next one after a loop's wrap
    bool endOfStream = false; // no frames follow this block
    float samples[Capacity * 2];
};

// Finished audio on its way from the render thread to the output callback.
struct RenderedBlock {
    static constexpr int Capacity = 512;
    quint64 generation = 0;
    double sourceFrame = 0;          // source position of the first frame
    double sourceFramesPerFrame = 1; // the speed, to place every later frame
    int frames = 0;
    bool last = false;      // the song ends after this block
    double spliceFrom = -1; // a loop wrapped just before this block, from this source frame
    float samples[Capacity * 2];
};

} // namespace quillmere::audio

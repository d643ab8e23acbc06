#pragma once

#include "engine/PlayerSettings.h"

#include <QString>

#include <functional>

// Renders a song to a WAV file through the playback chain, as fast as the processor allows:
// the same decoders and plug-ins, stretcher, equaliser, reverb and pan as playback, on the
// back end's "offline" device. The file is streamed to disc as it is rendered, into a hidden
// file beside the target that takes the target's name only when it is complete: the target
// is written whole or not at all, and memory stays a few blocks whatever the song's length.
// The format follows the extension: ".flac" FLAC, anything else WAV (16-bit, dithered).
struct RenderRequest {
    QString input;
    QString output;
    PlayerSettings settings;
    double fromSeconds = 0;
    double toSeconds = -1; // -1: to the end
    // A section repeated `repeats` times through the player's seamless loop, instead of
    // from/to; loopToSeconds -1: no loop.
    double loopFromSeconds = 0;
    double loopToSeconds = -1;
    int repeats = 1;
    // Before each repeat of the section (so repeats - 1 times), as the player pauses.
    LoopBreath breath;
    QString pluginFolder;
};

struct RenderResult {
    enum class Status { Ok, CannotDecode, CannotWrite, Cancelled } status = Status::Ok;
    QString message; // one line, for the user
    qint64 frames = 0;
};

// Called on the rendering thread after every block with the output frames written and the
// frames expected in all (-1 when the song's length is unknown); false cancels the render,
// which then deletes its partial file and returns Cancelled.
using RenderProgress = std::function<bool(qint64 framesDone, qint64 framesTotal)>;

RenderResult renderToFile(const RenderRequest &request, const RenderProgress &progress = {});

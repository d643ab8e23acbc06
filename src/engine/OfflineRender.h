#pragma once

#include "engine/PlayerSettings.h"

#include <QString>

// Renders a song to a WAV file through the playback chain, as fast as the processor allows:
// the same decoders and plug-ins, stretcher, equaliser, reverb and pan as playback, on the
// back end's "offline" device. The file is written whole or not at all.
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
    QString pluginFolder;
};

struct RenderResult {
    enum class Status { Ok, CannotDecode, CannotWrite } status = Status::Ok;
    QString message; // one line, for the user
    qint64 frames = 0;
};

RenderResult renderToFile(const RenderRequest &request);

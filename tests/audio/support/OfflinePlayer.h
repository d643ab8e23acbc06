#pragma once

#include "audio/AudioBackend.h"

#include <QString>

#include <atomic>
#include <vector>

// Plays one file through the real back end on the "offline" device and collects the sound,
// as fast as the render threads go.
class OfflinePlayer {
public:
    explicit OfflinePlayer(quillmere::audio::Stretcher::Kind kind);

    // Opens the file as a tempo channel; false (with a test failure) when it cannot.
    bool open(const QString &path);
    // Renders until the song ends (or maxSeconds of output); returns the output.
    std::vector<float> renderToEnd(double maxSeconds = 60);
    // Renders exactly `frames` frames (less at the end).
    std::vector<float> render(int frames);

    quillmere::audio::AudioBackend backend;
    quillmere::audio::Handle channel = 0;
    std::atomic<int> endNotifications{0};
};

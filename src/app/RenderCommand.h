#pragma once

#include "engine/OfflineRender.h"

#include <QStringList>

#include <optional>

// The command line of "quillmere --render": parsed, checked against the ranges of the player's
// own sliders, and turned into a render request.
namespace RenderCommand {

struct Parsed {
    std::optional<RenderRequest> request; // set when the arguments are valid
    QString error;                        // one line, when they are not
};

// arguments without the program name. The speed range comes from the settings file, as the
// main window's slider has it.
Parsed parse(const QStringList &arguments, int minSpeed, int maxSpeed);

QString usage();

// Runs the whole mode; returns the process exit code (0 done, 1 input or output failed,
// 2 bad arguments) after printing any error as one line on stderr.
int run(const QStringList &arguments);

} // namespace RenderCommand

#pragma once

#include <QTemporaryDir>

// Points QUILLMERE_HOME, the XDG folders and the runtime folder at the temporary folder and
// chooses the offscreen platform unless another is set. Call before the application object.
bool prepareTestHome(const QTemporaryDir &home);

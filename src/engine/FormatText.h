#pragma once

#include "audio/AudioTypes.h"
#include "audio/plugins/PluginHost.h"

#include <QString>

#include <vector>

// Texts the engine shows for a song: pure functions.
namespace FormatText {

// "MPEG layer 3 [2ch]": the built-in type codes' names, else the name of the plug-in format
// with the channel's type code, else "不明".
QString describe(const quillmere::audio::ChannelInfo &info,
                 const std::vector<quillmere::audio::PluginFormat> &formats);

// "mm:ss" of a byte position at 176,400 bytes per second, rounded to the nearest second with
// halves to even: 65.4 s gives "01:05", 186.5 s "03:06", 6000 s "100:00".
QString time(qint64 bytes);

// The reverb mix in dB for a level 0..20: -0.012 x (20 - level)^3; 0 gives -96 dB, 20 gives 0.
float reverbMixDb(int level);

} // namespace FormatText

#pragma once

#include "common/Units.h"

#include <QtGlobal>

#include <cstdint>

// Units and handles of the audio back end; the byte positions are those of common/Units.h.
namespace quillmere::audio {

using Handle = quint32; // 0 = none or failure

// Positions and lengths are counted at OutputRate whatever the sound runs at; offline renders
// run at it too. A live channel renders at its device's rate, within these bounds.
constexpr int OutputRate = PositionRate;
constexpr int MinDeviceRate = 8000;
constexpr int MaxDeviceRate = 384000;
constexpr int OutputChannels = 2;
using quillmere::BytesPerFrame;
using quillmere::BytesPerSecond;
using quillmere::bytesToFrames;
using quillmere::bytesToSeconds;
using quillmere::framesToBytes;

// Why the last call failed. Numbers are shown to the user in messages, so they never change.
enum class ErrorCode : int {
    Ok = 0,
    NotInitialised = 1,
    FileOpen = 2,          // the file cannot be opened or read
    UnsupportedFormat = 3, // no decoder recognises the file
    InvalidHandle = 4,
    Device = 5, // the output device cannot be opened
    NotAvailable = 6,
    InvalidParameter = 7,
    Position = 8, // seeking outside the stream
    Plugin = 9,   // not a plug-in, or one built for another interface version
    AlreadyInitialised = 10,
    Stalled = 11, // offline rendering: a channel stopped delivering audio
};

// Built-in type codes of the channel info; plug-ins declare their own.
namespace TypeCode {
constexpr quint32 OggVorbis = 0x10002;
constexpr quint32 Mp1 = 0x10003;
constexpr quint32 Mp2 = 0x10004;
constexpr quint32 Mp3 = 0x10005;
constexpr quint32 Aiff = 0x10006;
constexpr quint32 WavCodecBase = 0x40000; // + the WAVE format tag of any other codec
constexpr quint32 WavPcm = 0x50001;
constexpr quint32 WavFloat = 0x50003;
constexpr quint32 CdAudio = 0x10200;
constexpr quint32 ModMod = 0x20000;
constexpr quint32 ModMtm = 0x20001;
constexpr quint32 ModS3m = 0x20002;
constexpr quint32 ModXm = 0x20003;
constexpr quint32 ModIt = 0x20004;
constexpr quint32 ModMo3Flag = 0x00100;
} // namespace TypeCode

struct ChannelInfo {
    int channels = 0;   // of the source, before conversion to stereo
    int sampleRate = 0; // of the source
    quint32 typeCode = 0;
    Handle plugin = 0; // the plug-in that decodes it; 0 = built in
};

enum class ActiveState { Stopped = 0, Playing = 1, Stalled = 2, Paused = 3 };

// A peaking equaliser band.
struct EqualizerParams {
    float centreHz = 1000.0f;
    float bandwidthSemitones = 12.0f;
    float gainDb = 0.0f;
};

// The reverb. mixDb at -96 or below is silent.
struct ReverbParams {
    float inputGainDb = 0.0f;
    float mixDb = 0.0f;
    float timeMs = 1000.0f;
    float highFrequencyRatio = 0.001f;
};

} // namespace quillmere::audio

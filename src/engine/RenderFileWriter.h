#pragma once

// Threads: the thread that renders (the command line's main thread, or the window's render
// worker); one writer belongs to one render.

#include "audio/WavEncoding.h"
#include "common/StagedFile.h"

#include <QString>

#include <vector>

struct sf_private_tag;

// Writes a render as it is made, block by block, into a staged file beside the target: 16-bit
// stereo at 44100 Hz with dither, as WAV (our own header, its sizes written at the end from
// the frames really written) or FLAC (libsndfile, by the target's extension ".flac").
// Memory stays one block whatever the length.
class RenderFileWriter {
public:
    enum class Format { Wav16, Flac16 };
    static Format formatFor(const QString &targetPath);

    RenderFileWriter() = default;
    ~RenderFileWriter(); // discards an unfinished file
    RenderFileWriter(const RenderFileWriter &) = delete;
    RenderFileWriter &operator=(const RenderFileWriter &) = delete;

    bool open(const QString &targetPath);
    // Interleaved stereo floats; false when the disc refused them (discard then).
    bool write(const float *stereo, int frames);
    bool finish();
    void discard();

    qint64 framesWritten() const { return m_frames; }
    QString errorText() const;

private:
    quillmere::StagedFile m_file;
    Format m_format = Format::Wav16;
    sf_private_tag *m_flac = nullptr;
    quillmere::audio::Dither16 m_dither;
    std::vector<qint16> m_pcm;
    qint64 m_frames = 0;
    QString m_error;
};

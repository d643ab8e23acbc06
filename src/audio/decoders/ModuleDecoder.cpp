#include "audio/decoders/ModuleDecoder.h"

#include <QFile>

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>

namespace quillmere::audio {
namespace {

constexpr qint64 MaxModuleBytes = 64 * 1024 * 1024;

QByteArray metadata(openmpt_module *module, const char *key)
{
    const char *value = openmpt_module_get_metadata(module, key);
    const QByteArray result(value ? value : "");
    openmpt_free_string(value);
    return result;
}

quint32 typeCodeFor(openmpt_module *module)
{
    const QByteArray type = metadata(module, "type");
    quint32 code = 0;
    if (type == "mod")
        code = TypeCode::ModMod;
    else if (type == "mtm")
        code = TypeCode::ModMtm;
    else if (type == "s3m")
        code = TypeCode::ModS3m;
    else if (type == "xm")
        code = TypeCode::ModXm;
    else if (type == "it")
        code = TypeCode::ModIt;
    if (code != 0 && metadata(module, "container") == "mo3")
        code |= TypeCode::ModMo3Flag;
    return code;
}

class ModuleDecoder final : public Decoder {
public:
    ModuleDecoder(openmpt_module *module, const SourceInfo &info) : m_module(module), m_info(info)
    {
    }
    ~ModuleDecoder() override { openmpt_module_destroy(m_module); }

    const SourceInfo &info() const override { return m_info; }

    // Stops at the length the module reports, so that the length shown and the sound agree
    // (the renderer would otherwise add a short tail of its own).
    qint64 read(float *samples, qint64 frames) override
    {
        const qint64 wanted = std::min(frames, m_info.frames - m_position);
        if (wanted <= 0)
            return 0;
        const auto n = static_cast<qint64>(openmpt_module_read_interleaved_float_stereo(
            m_module, m_info.sampleRate, static_cast<size_t>(wanted), samples));
        m_position += n;
        return n;
    }

    bool seek(qint64 frame) override
    {
        if (frame < 0 || frame > m_info.frames)
            return false;
        openmpt_module_set_position_seconds(m_module, double(frame) / m_info.sampleRate);
        m_position = frame;
        return true;
    }

private:
    openmpt_module *m_module;
    SourceInfo m_info;
    qint64 m_position = 0;
};

} // namespace

DecoderPtr openModuleDecoder(const QString &path, ErrorCode &error, int rate)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = ErrorCode::FileOpen;
        return nullptr;
    }
    if (file.size() > MaxModuleBytes) {
        error = ErrorCode::UnsupportedFormat;
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
    openmpt_module *module = openmpt_module_create_from_memory2(
        bytes.constData(), static_cast<size_t>(bytes.size()), openmpt_log_func_silent, nullptr,
        openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    if (!module) {
        error = ErrorCode::UnsupportedFormat;
        return nullptr;
    }
    const quint32 typeCode = typeCodeFor(module);
    const double seconds = openmpt_module_get_duration_seconds(module);
    if (typeCode == 0 || !(seconds > 0)) {
        openmpt_module_destroy(module);
        error = ErrorCode::UnsupportedFormat;
        return nullptr;
    }
    openmpt_module_set_repeat_count(module, 0);
    SourceInfo info;
    info.channels = 2;
    info.sampleRate = rate;
    info.typeCode = typeCode;
    info.frames = std::llround(seconds * rate);
    return std::make_unique<ModuleDecoder>(module, info);
}

} // namespace quillmere::audio

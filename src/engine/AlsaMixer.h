#pragma once

#include "engine/MixerControl.h"

#include <QByteArray>

namespace quillmere::engine {

// The "Master" playback volume of an ALSA mixer ("default" unless told otherwise), for systems
// without a sound server. The mixer is opened afresh for every call and closed again, so a card
// that comes or goes is noticed at the next poll. ALSA's error messages are silenced on this
// thread during the calls. UI thread only.
class AlsaMixer final : public MixerControl {
public:
    explicit AlsaMixer(QByteArray device = QByteArrayLiteral("default"));

    MixerLookup Lookup(MixerReading &reading, MixerDeadline deadline) override;
    bool Write(quint32 raw, MixerDeadline deadline) override;

private:
    QByteArray m_device;
    long m_lowest = 0; // the element's own minimum; controls are shown shifted to start at 0
    bool m_found = false;
};

} // namespace quillmere::engine

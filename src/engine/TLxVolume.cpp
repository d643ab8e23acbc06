#include "engine/TLxVolume.h"

#include "engine/AlsaMixer.h"
#include "engine/PulseMixer.h"

using namespace quillmere::engine;

namespace {

// The whole budget of one call, server look-up and write together.
constexpr auto CallBudget = std::chrono::milliseconds(400);
// A server that tells of its changes is still read again after this long without one.
constexpr auto ToldWait = std::chrono::milliseconds(std::chrono::hours(1));

} // namespace

// The server's mixer exists from the start (it connects only when first asked), so that
// Interrupt() never races its making.
TLxVolume::TLxVolume() : m_pulse(std::make_unique<PulseMixer>()) {}
TLxVolume::~TLxVolume() = default;

// The sound server first. ALSA only when no server answers at all or the server has no sink:
// after a time-out it would only wait again on the same hung server through ALSA's pulse plug-in.
MixerControl *TLxVolume::lookup(MixerReading &reading, MixerDeadline deadline)
{
    const MixerLookup pulse = m_pulse->Lookup(reading, deadline);
    if (pulse == MixerLookup::Found)
        return reading.range.usable() ? m_pulse.get() : nullptr;
    if (pulse == MixerLookup::TimedOut)
        return nullptr;
    if (!m_alsa)
        m_alsa = std::make_unique<AlsaMixer>();
    if (m_alsa->Lookup(reading, deadline) == MixerLookup::Found && reading.range.usable())
        return m_alsa.get();
    return nullptr;
}

int TLxVolume::GetVolume()
{
    MixerReading reading;
    if (!lookup(reading, std::chrono::steady_clock::now() + CallBudget))
        return -1;
    return volumePercentFromRaw(reading.range, reading.value);
}

bool TLxVolume::SetVolume(int percent)
{
    const MixerDeadline deadline = std::chrono::steady_clock::now() + CallBudget;
    MixerReading reading;
    MixerControl *control = lookup(reading, deadline);
    if (!control)
        return false;
    return control->Write(volumeRawFromPercent(reading.range, percent), deadline);
}

bool TLxVolume::WaitForChange(std::chrono::milliseconds poll)
{
    const bool told = m_pulse->Subscribed();
    m_pulse->Watch(std::chrono::steady_clock::now() + (told ? ToldWait : poll));
    return told;
}

void TLxVolume::Interrupt()
{
    m_pulse->Interrupt();
}

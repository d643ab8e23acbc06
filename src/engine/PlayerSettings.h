#pragma once

#include <QString>

#include <array>

// The playback settings the engine keeps in section [Player] of the settings file: read once
// when the engine is made, written once when it ends. Every key is an integer with default 0,
// except "Stretcher" ("rubberband", the default, or "soundtouch").
struct PlayerSettings {
    static constexpr int Bands = 6;
    static constexpr std::array<int, Bands> BandCentresHz = {250, 500, 1000, 2000, 4000, 8000};

    int pan = 0;                 // -100..100
    int speed = 0;               // tempo change in percent
    int pitch = 0;               // semitones
    int reverb = 0;              // 0..20
    std::array<int, Bands> eq{}; // dB per band
    QString stretcher = QStringLiteral("rubberband");

    static PlayerSettings load(const QString &iniPath);
    // Writes the keys into the file, keeping every other section and key.
    bool save(const QString &iniPath) const;
};

// The pause before each repeat of an A-B section, and the count-in clicked in it at the
// tapped beat. Kept with the window's options, not in [Player].
struct LoopBreath {
    int pauseMs = 0;
    int clicks = 0;
    int beatMs = 500;
};

namespace PlayerKeys {
inline const QString Section = QStringLiteral("Player");
inline const QString Pan = QStringLiteral("Pan");
inline const QString Speed = QStringLiteral("Speed");
inline const QString Pitch = QStringLiteral("Pitch");
inline const QString Reverb = QStringLiteral("Reverb");
inline const QString Stretcher = QStringLiteral("Stretcher");
// "EQ_250" ... "EQ_8000"
QString band(int index);
} // namespace PlayerKeys

#pragma once

#include <QString>

namespace quillmere {
class IniFile;
}

// The user's options of the [Option] section that the main window acts on: button steps, the
// spectrum's peak marks, the continuous-play limit, the pause and count-in between A-B repeats and
// the recording settings. The options dialog edits them; the speed range (MinOfSpeed, MaxOfSpeed)
// belongs to the main window.
struct OptionSettings {
    QString RecordingDir; // ends with a separator
    int DeltaOfSpeed = 5;
    int DeltaOfPitch = 1;
    bool ShowOfPeaks = true;
    bool InhibitOverWriteRecord = true;
    bool AutoEnterToLibrary = true;
    int PlayTimer = 0;       // tens of minutes; 0 = no limit
    int BreathOfRepeat = 0;  // tenths of a second of pause before each A-B repeat
    int CountInClicks = 0;   // clicks in that pause
    int CountInBeatMs = 500; // the tempo last tapped with T

    // Reads the keys (defaults for missing ones, numbers clamped to their ranges, so a
    // hand-edited file cannot reach the engine out of range) and creates the recording
    // folder if it is missing, ignoring failure.
    void load(const QString &iniPath);
    // Writes the keys into the file, keeping every other section and key.
    bool save(const QString &iniPath) const;
    void writeTo(quillmere::IniFile &ini) const;
};

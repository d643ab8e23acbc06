#pragma once

#include <QString>

#include <optional>

// A speed trainer of one A-B section: while the section repeats, the speed starts at
// StartPercent and moves by StepPercent towards TargetPercent after every RepeatsPerStep
// repeats, then holds. Speeds are the speed slider's percent (0 = the song's own tempo).
struct SpeedTrainer {
    int StartPercent = -30;
    int StepPercent = 5;
    int RepeatsPerStep = 3;
    int TargetPercent = 0;

    // The speed once `repeats` repeats of the section have been heard since it was entered.
    int speedAfter(int repeats) const;
    // "練習: -30% → 0% (+5% / 3回)"
    QString describe() const;
    // The settings as the playlist file keeps them: "start,step,repeats,target".
    QString toText() const;
    // Nothing for a text that is not four integers or whose step or repeat count is below 1.
    static std::optional<SpeedTrainer> fromText(QStringView text);

    friend bool operator==(const SpeedTrainer &, const SpeedTrainer &) = default;
};

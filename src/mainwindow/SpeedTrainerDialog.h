#pragma once

#include "playlist/SpeedTrainer.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QSpinBox;

// The speed trainer of one A-B section: on or off, start speed, step, repeats per step and
// target speed. Made for the keyboard: the start speed has the focus with its text selected,
// Tab walks the fields, Enter confirms and Escape cancels. UI thread only.
class SpeedTrainerDialog : public QDialog {
public:
    // current: the section's trainer, or none (the dialog then offers one, switched on, from
    // the usual settings). Speeds are limited to the speed slider's range.
    SpeedTrainerDialog(const std::optional<SpeedTrainer> &current, int minSpeed, int maxSpeed,
                       const QString &sectionText, QWidget *parent = nullptr);

    // What the user set: none when the trainer is switched off.
    std::optional<SpeedTrainer> trainer() const;

    QCheckBox *UseTrainer = nullptr;
    QSpinBox *StartSpeed = nullptr;
    QSpinBox *Step = nullptr;
    QSpinBox *RepeatsPerStep = nullptr;
    QSpinBox *TargetSpeed = nullptr;
};

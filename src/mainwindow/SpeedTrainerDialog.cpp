#include "mainwindow/SpeedTrainerDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QSpinBox *spinBox(int low, int high, int value, const QString &suffix, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setRange(low, high);
    box->setValue(std::clamp(value, low, high));
    box->setSuffix(suffix);
    return box;
}

} // namespace

SpeedTrainerDialog::SpeedTrainerDialog(const std::optional<SpeedTrainer> &current, int minSpeed,
                                       int maxSpeed, const QString &sectionText, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("スピードトレーナー"));
    const SpeedTrainer shown = current.value_or(SpeedTrainer{});
    maxSpeed = std::max(minSpeed, maxSpeed);

    UseTrainer = new QCheckBox(QStringLiteral("繰返すたびに速度を上げる(&U)"), this);
    UseTrainer->setChecked(true);
    StartSpeed = spinBox(minSpeed, maxSpeed, shown.StartPercent, QStringLiteral(" %"), this);
    Step = spinBox(1, 100, shown.StepPercent, QStringLiteral(" %"), this);
    RepeatsPerStep = spinBox(1, 99, shown.RepeatsPerStep, QStringLiteral(" 回ごと"), this);
    TargetSpeed = spinBox(minSpeed, maxSpeed, shown.TargetPercent, QStringLiteral(" %"), this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("開始速度(&S):"), StartSpeed);
    form->addRow(QStringLiteral("上げ幅(&P):"), Step);
    form->addRow(QStringLiteral("繰返し回数(&R):"), RepeatsPerStep);
    form->addRow(QStringLiteral("目標速度(&T):"), TargetSpeed);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(sectionText, this));
    layout->addWidget(UseTrainer);
    layout->addLayout(form);
    layout->addWidget(buttons);

    for (QSpinBox *box : {StartSpeed, Step, RepeatsPerStep, TargetSpeed})
        connect(UseTrainer, &QCheckBox::toggled, box, &QWidget::setEnabled);
    // The start speed is what a musician changes first; Alt+U switches the trainer off.
    StartSpeed->setFocus();
    StartSpeed->selectAll();
}

std::optional<SpeedTrainer> SpeedTrainerDialog::trainer() const
{
    if (!UseTrainer->isChecked())
        return std::nullopt;
    return SpeedTrainer{StartSpeed->value(), Step->value(), RepeatsPerStep->value(),
                        TargetSpeed->value()};
}

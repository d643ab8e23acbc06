#include "playlist/SpeedTrainer.h"

#include "common/IniFile.h"

#include <QStringList>

#include <algorithm>
#include <array>

int SpeedTrainer::speedAfter(int repeats) const
{
    const qint64 steps = std::max(0, repeats) / std::max(1, RepeatsPerStep);
    const qint64 moved = steps * std::max(1, StepPercent);
    // A target below the start slows down instead: the step always heads for the target.
    if (TargetPercent >= StartPercent)
        return int(std::min<qint64>(StartPercent + moved, TargetPercent));
    return int(std::max<qint64>(StartPercent - moved, TargetPercent));
}

QString SpeedTrainer::describe() const
{
    const QString sign = TargetPercent >= StartPercent ? QStringLiteral("+") : QStringLiteral("-");
    return QStringLiteral("練習: %1% → %2% (%3%4% / %5回)")
        .arg(StartPercent)
        .arg(TargetPercent)
        .arg(sign)
        .arg(StepPercent)
        .arg(RepeatsPerStep);
}

QString SpeedTrainer::toText() const
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(StartPercent)
        .arg(StepPercent)
        .arg(RepeatsPerStep)
        .arg(TargetPercent);
}

std::optional<SpeedTrainer> SpeedTrainer::fromText(QStringView text)
{
    const QList<QStringView> parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    std::array<int, 4> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        qint64 value = 0;
        // Percent values far outside any speed range are damage, not settings.
        if (!quillmere::parseDecimal(parts[qsizetype(i)], value) || value < -1000 || value > 1000)
            return std::nullopt;
        values[i] = int(value);
    }
    const SpeedTrainer trainer{values[0], values[1], values[2], values[3]};
    if (trainer.StepPercent < 1 || trainer.RepeatsPerStep < 1)
        return std::nullopt;
    return trainer;
}

#pragma once

#include <QString>

// The texts of the property dialog's information fields: pure functions.
namespace PropertyTexts {

// " 時間: mm:ss" of a length in bytes (common/Units.h), whole seconds cut off, not rounded; minutes
// go past 59 (an hour and a half is " 時間: 90:00"). An unknown (0 or negative) length reads 00:00.
QString lengthText(qint64 bytes);
// " AB区間数: n"
QString sectionCountText(int count);
// The audio format text behind one space.
QString formatText(const QString &format);

} // namespace PropertyTexts

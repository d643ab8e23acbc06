#include "mainwindow/OptionSettings.h"

#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "common/OptionRanges.h"

#include <QDir>

namespace {
const QString Section = QStringLiteral("Option");
}

void OptionSettings::load(const QString &iniPath)
{
    const quillmere::IniFile ini = quillmere::IniFile::load(iniPath);
    QString fallback = quillmere::AppPaths::defaultRecordingDir();
    if (!fallback.endsWith(u'/'))
        fallback += u'/';
    RecordingDir = ini.readString(Section, u"RecordingDir", fallback);
    // One level only: a folder whose parent is gone is the user's to fix in the options.
    QDir().mkdir(RecordingDir);
    DeltaOfSpeed = OptionRanges::DeltaOfSpeed.clamp(ini.readInteger(Section, u"DeltaOfSpeed", 5));
    DeltaOfPitch = OptionRanges::DeltaOfPitch.clamp(ini.readInteger(Section, u"DeltaOfPitch", 1));
    ShowOfPeaks = ini.readBool(Section, u"ShowOfPeaks", true);
    InhibitOverWriteRecord = ini.readBool(Section, u"InhibitOverWriteRecord", true);
    AutoEnterToLibrary = ini.readBool(Section, u"AutoEnterToLibrary", true);
    PlayTimer = OptionRanges::PlayTimer.clamp(ini.readInteger(Section, u"PlayTimer", 0));
    BreathOfRepeat =
        OptionRanges::BreathOfRepeat.clamp(ini.readInteger(Section, u"BreathOfRepeat", 0));
    CountInClicks =
        OptionRanges::CountInClicks.clamp(ini.readInteger(Section, u"CountInClicks", 0));
    CountInBeatMs =
        OptionRanges::CountInBeatMs.clamp(ini.readInteger(Section, u"CountInBeatMs", 500));
}

bool OptionSettings::save(const QString &iniPath) const
{
    quillmere::IniFile ini = quillmere::IniFile::load(iniPath);
    writeTo(ini);
    return bool(ini.save(iniPath));
}

void OptionSettings::writeTo(quillmere::IniFile &ini) const
{
    ini.writeString(Section, u"RecordingDir", RecordingDir);
    ini.writeInteger(Section, u"DeltaOfSpeed", DeltaOfSpeed);
    ini.writeInteger(Section, u"DeltaOfPitch", DeltaOfPitch);
    ini.writeBool(Section, u"ShowOfPeaks", ShowOfPeaks);
    ini.writeBool(Section, u"InhibitOverWriteRecord", InhibitOverWriteRecord);
    ini.writeBool(Section, u"AutoEnterToLibrary", AutoEnterToLibrary);
    ini.writeInteger(Section, u"PlayTimer", PlayTimer);
    ini.writeInteger(Section, u"BreathOfRepeat", BreathOfRepeat);
    ini.writeInteger(Section, u"CountInClicks", CountInClicks);
    ini.writeInteger(Section, u"CountInBeatMs", CountInBeatMs);
}

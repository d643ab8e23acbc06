#include "engine/PlayerSettings.h"

#include "common/IniFile.h"

using quillmere::IniFile;

QString PlayerKeys::band(int index)
{
    return QStringLiteral("EQ_%1").arg(PlayerSettings::BandCentresHz.at(size_t(index)));
}

PlayerSettings PlayerSettings::load(const QString &iniPath)
{
    const IniFile ini = IniFile::load(iniPath);
    using namespace PlayerKeys;
    PlayerSettings s;
    s.pan = ini.readInteger(Section, Pan, 0);
    s.speed = ini.readInteger(Section, Speed, 0);
    s.pitch = ini.readInteger(Section, Pitch, 0);
    s.reverb = ini.readInteger(Section, Reverb, 0);
    for (int i = 0; i < Bands; ++i)
        s.eq[size_t(i)] = ini.readInteger(Section, band(i), 0);
    const QString stretcher = ini.readString(Section, Stretcher, s.stretcher);
    s.stretcher = stretcher == u"soundtouch" ? stretcher : QStringLiteral("rubberband");
    return s;
}

bool PlayerSettings::save(const QString &iniPath) const
{
    IniFile ini = IniFile::load(iniPath);
    using namespace PlayerKeys;
    ini.writeInteger(Section, Pan, pan);
    ini.writeInteger(Section, Speed, speed);
    ini.writeInteger(Section, Pitch, pitch);
    ini.writeInteger(Section, Reverb, reverb);
    for (int i = 0; i < Bands; ++i)
        ini.writeInteger(Section, band(i), eq[size_t(i)]);
    ini.writeString(Section, Stretcher, stretcher);
    return ini.save(iniPath).ok;
}

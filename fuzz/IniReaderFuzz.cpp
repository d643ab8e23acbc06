// Any bytes parse; writing the result back and parsing again gives the same values.
#include "common/IniFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using quillmere::IniFile;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    IniFile ini = IniFile::parse(bytes);
    ini.writeInteger(u"Form", u"Left", 10);
    ini.writeString(u"Option", u"RecordingDir", QStringLiteral("/x"));
    const IniFile again = IniFile::parse(ini.toBytes());
    for (const auto *key : {u"Left", u"Top", u"Speed"}) {
        if (ini.readInteger(u"Form", key, -1) != again.readInteger(u"Form", key, -1))
            std::abort();
    }
    if (again.readInteger(u"Form", u"Left", 0) != 10 ||
        again.readString(u"Option", u"RecordingDir", {}) != QStringLiteral("/x"))
        std::abort();
    return 0;
}

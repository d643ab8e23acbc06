#pragma once

#include "common/AtomicWrite.h"

#include <QString>

#include <vector>

namespace quillmere {

// The settings file: "[Section]" headers and "Key=Value" lines. Section and key names match
// without regard to letter case, as users who edit the file by hand expect. Lines the reader
// does not understand (comments, blank lines) are kept and written back unchanged.
// Booleans are stored as 1 or 0; any integer other than 0 reads as true.
// Used on the UI thread by whichever object owns a section; not shared between threads.
class IniFile {
public:
    IniFile() = default;

    // Reads the file; a missing or unreadable file gives an empty document.
    static IniFile load(const QString &path);
    static IniFile parse(const QByteArray &bytes);

    // A missing key, or a value that is not a decimal integer in int range, reads as fallback.
    int readInteger(QStringView section, QStringView key, int fallback) const;
    bool readBool(QStringView section, QStringView key, bool fallback) const;
    QString readString(QStringView section, QStringView key, const QString &fallback) const;
    bool hasKey(QStringView section, QStringView key) const;

    void writeInteger(QStringView section, QStringView key, int value);
    void writeBool(QStringView section, QStringView key, bool value);
    // Line breaks cannot be stored in one line; they are written as spaces.
    void writeString(QStringView section, QStringView key, const QString &value);

    QByteArray toBytes() const;
    WriteResult save(const QString &path) const;

private:
    struct Line {
        QString key; // empty for a line that is not a key (kept verbatim in raw)
        QString value;
        QString raw;
    };
    struct Section {
        QString name; // the first section has no name and no header: lines before any header
        std::vector<Line> lines;
    };

    const QString *findValue(QStringView section, QStringView key) const;
    Section &sectionFor(QStringView section);

    std::vector<Section> m_sections{Section{}};
};

// Parses an optional sign followed by decimal digits and nothing else; false otherwise.
bool parseDecimal(QStringView text, qint64 &value);

} // namespace quillmere

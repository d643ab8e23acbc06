#include "common/IniFile.h"

#include "common/TextLines.h"

#include <QFile>

#include <limits>

namespace quillmere {
namespace {

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isHeader(QStringView trimmed)
{
    return trimmed.size() >= 2 && trimmed.front() == u'[' && trimmed.back() == u']';
}

} // namespace

bool parseDecimal(QStringView text, qint64 &value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return false;
    // Accumulate as a negative number so that the most negative value fits too.
    qint64 result = 0;
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        const int digit = c - u'0';
        if (result < (lowest + digit) / 10)
            return false;
        result = result * 10 - digit;
    }
    if (!negative) {
        if (result == lowest)
            return false;
        result = -result;
    }
    value = result;
    return true;
}

IniFile IniFile::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

IniFile IniFile::parse(const QByteArray &bytes)
{
    IniFile ini;
    for (const QString &text : splitLines(decodeUtf8OrShiftJis(bytes))) {
        const QStringView trimmed = QStringView(text).trimmed();
        if (isHeader(trimmed)) {
            const QString name = trimmed.sliced(1, trimmed.size() - 2).trimmed().toString();
            if (!name.isEmpty()) {
                ini.m_sections.push_back(Section{name, {}});
                continue;
            }
        }
        Line line;
        const qsizetype equals = text.indexOf(u'=');
        const bool comment = trimmed.startsWith(u';') || trimmed.startsWith(u'#');
        if (equals > 0 && !comment)
            line.key = QStringView(text).first(equals).trimmed().toString();
        if (!line.key.isEmpty())
            line.value = QStringView(text).sliced(equals + 1).trimmed().toString();
        else
            line.raw = text;
        ini.m_sections.back().lines.push_back(std::move(line));
    }
    return ini;
}

const QString *IniFile::findValue(QStringView section, QStringView key) const
{
    for (const Section &s : m_sections) {
        if (s.name.isEmpty() || !sameName(s.name, section))
            continue;
        for (const Line &line : s.lines) {
            if (!line.key.isEmpty() && sameName(line.key, key))
                return &line.value;
        }
    }
    return nullptr;
}

bool IniFile::hasKey(QStringView section, QStringView key) const
{
    return findValue(section, key) != nullptr;
}

int IniFile::readInteger(QStringView section, QStringView key, int fallback) const
{
    const QString *value = findValue(section, key);
    qint64 number = 0;
    if (!value || !parseDecimal(*value, number) || number < std::numeric_limits<int>::min() ||
        number > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(number);
}

bool IniFile::readBool(QStringView section, QStringView key, bool fallback) const
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

QString IniFile::readString(QStringView section, QStringView key, const QString &fallback) const
{
    const QString *value = findValue(section, key);
    return value ? *value : fallback;
}

IniFile::Section &IniFile::sectionFor(QStringView section)
{
    for (Section &s : m_sections) {
        if (!s.name.isEmpty() && sameName(s.name, section))
            return s;
    }
    m_sections.push_back(Section{section.toString(), {}});
    return m_sections.back();
}

void IniFile::writeString(QStringView section, QStringView key, const QString &value)
{
    QString oneLine = value;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    Section &s = sectionFor(section);
    for (Line &line : s.lines) {
        if (!line.key.isEmpty() && sameName(line.key, key)) {
            line.value = oneLine;
            return;
        }
    }
    // New keys go after the last key of the section, before any trailing blank lines.
    auto pos = s.lines.end();
    while (pos != s.lines.begin() && std::prev(pos)->key.isEmpty() &&
           std::prev(pos)->raw.trimmed().isEmpty())
        --pos;
    s.lines.insert(pos, Line{key.toString(), oneLine, {}});
}

void IniFile::writeInteger(QStringView section, QStringView key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(QStringView section, QStringView key, bool value)
{
    writeInteger(section, key, value ? 1 : 0);
}

QByteArray IniFile::toBytes() const
{
    QStringList lines;
    for (const Section &s : m_sections) {
        if (!s.name.isEmpty())
            lines.append(u'[' + s.name + u']');
        for (const Line &line : s.lines)
            lines.append(line.key.isEmpty() ? line.raw : line.key + u'=' + line.value);
    }
    return joinLinesUtf8(lines, u"\n");
}

WriteResult IniFile::save(const QString &path) const
{
    return atomicWrite(path, toBytes());
}

} // namespace quillmere

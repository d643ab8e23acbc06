#include "playlist/FolderWalk.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

// Compares runs of digits by their value: "2" < "10", "007" == "7" (ties go to the rest).
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == u'0')
        a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

// ASCII digits only: runs of other scripts' digits would compare by value against ASCII ones
// but by code against letters, and such an order is no order at all for std::sort.
bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype runEnd(QStringView text, qsizetype from)
{
    const bool digits = isAsciiDigit(text[from]);
    qsizetype end = from;
    while (end < text.size() && isAsciiDigit(text[end]) == digits)
        ++end;
    return end;
}

} // namespace

// QCollator's numeric mode is not available in the C locale, where tests and services run,
// so the order is computed here: the same in every locale.
bool FolderWalk::naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const qsizetype endA = runEnd(a, i);
        const qsizetype endB = runEnd(b, j);
        const QStringView runA = QStringView(a).mid(i, endA - i);
        const QStringView runB = QStringView(b).mid(j, endB - j);
        int order = 0;
        if (isAsciiDigit(runA.front()) && isAsciiDigit(runB.front()))
            order = compareNumbers(runA, runB);
        else
            order = runA.compare(runB, Qt::CaseInsensitive);
        if (order != 0)
            return order < 0;
        i = endA;
        j = endB;
    }
    if ((i < a.size()) != (j < b.size()))
        return j < b.size();
    return a < b; // equal but for case or leading zeros: still a fixed order
}

FolderWalk::FolderWalk(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        enter(info.absoluteFilePath());
    else if (info.isFile())
        m_single = info.absoluteFilePath();
}

void FolderWalk::enter(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || m_visited.contains(canonical) || int(m_levels.size()) >= MaxDepth)
        return;
    m_visited.insert(canonical);
    // No QDir::Hidden and no QDir::System: dot files, sockets, devices and dangling links
    // stay out, as a user browsing the folder would expect.
    QStringList names =
        QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end(), FolderWalk::naturalLess);
    Level level;
    level.entries.reserve(names.size());
    for (const QString &name : names)
        level.entries << folder + QDir::separator() + name;
    m_levels.push_back(std::move(level));
}

FolderWalk::Step FolderWalk::step(QString &filePath)
{
    if (!m_single.isEmpty()) {
        filePath = std::exchange(m_single, QString());
        return Step::File;
    }
    while (!m_levels.empty()) {
        Level &level = m_levels.back();
        if (level.next >= level.entries.size()) {
            m_levels.pop_back();
            return Step::Folder;
        }
        const QString path = level.entries.at(level.next++);
        const QFileInfo info(path);
        if (info.isDir()) {
            enter(path);
            return Step::Folder;
        }
        if (info.isFile()) {
            filePath = path;
            return Step::File;
        }
    }
    return Step::Done;
}

bool FolderWalk::next(QString &filePath)
{
    for (;;) {
        const Step taken = step(filePath);
        if (taken != Step::Folder)
            return taken == Step::File;
    }
}

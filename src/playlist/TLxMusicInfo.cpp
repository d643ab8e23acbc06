#include "playlist/TLxMusicInfo.h"

#include <limits>

namespace {

// a - b, saturated: positions read from a playlist file may be any 64-bit value.
qint64 distance(qint64 a, qint64 b)
{
    qint64 result = 0;
    if (__builtin_sub_overflow(a, b, &result))
        return a < b ? -std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::max();
    return result == std::numeric_limits<qint64>::min() ? -std::numeric_limits<qint64>::max()
                                                        : result;
}

qint64 absDistance(qint64 a, qint64 b)
{
    const qint64 d = distance(a, b);
    return d < 0 ? -d : d;
}

} // namespace

// Without Shift and with no A pending: the section under pos, else the one starting nearest
// after pos, else the one starting nearest before it; ties keep the earlier section.
int TLxMusicInfo::sectionForPointA(qint64 pos) const
{
    int candidate = 0;
    qint64 best = distance(Sections.front().PosA, pos);
    for (int i = 0; i < static_cast<int>(Sections.size()); ++i) {
        if (Sections[i].contains(pos))
            return i;
        const qint64 d = distance(Sections[i].PosA, pos);
        const bool nearerAfter = d > 0 && (best < 0 || d < best);
        const bool nearerBefore = d <= 0 && best < 0 && d > best;
        if (i > 0 && (nearerAfter || nearerBefore)) {
            candidate = i;
            best = d;
        }
    }
    return candidate;
}

void TLxMusicInfo::SetPointA(qint64 pos, bool addNew)
{
    const int count = static_cast<int>(Sections.size());
    if (APending && (CurrentSection < 0 || CurrentSection >= count))
        APending = false; // the pending section is gone; choose afresh

    if (!APending) {
        if (Sections.empty() || addNew) {
            if (addNew) {
                for (const TLxABLoopInfo &section : Sections) {
                    if (section.contains(pos))
                        return;
                }
            }
            Sections.push_back({});
            CurrentSection = count;
            APending = true;
        } else {
            CurrentSection = sectionForPointA(pos);
        }
    }

    TLxABLoopInfo &section = Sections[CurrentSection];
    LastA = pos;
    section.PosA = pos;
    if (section.PosB < pos)
        section.PosB = pos;
    AMarkVisible = true;
}

int TLxMusicInfo::SetPointB(qint64 pos)
{
    if (Sections.empty())
        return -1;
    const int count = static_cast<int>(Sections.size());
    if (APending && (CurrentSection < 0 || CurrentSection >= count))
        APending = false;

    if (!APending) {
        int chosen = -1;
        qint64 best = 0;
        for (int i = 0; i < count; ++i) {
            if (Sections[i].PosA >= pos)
                continue;
            const qint64 d = distance(pos, Sections[i].PosA);
            if (chosen < 0 || d < best) {
                chosen = i;
                best = d;
            }
        }
        if (chosen < 0)
            return -1;
        CurrentSection = chosen;
    }

    if (pos <= Sections[CurrentSection].PosA)
        return -1;
    Sections[CurrentSection].PosB = pos;
    removeSectionsOverlapping(CurrentSection);
    APending = false;
    AMarkVisible = false;
    return CurrentSection;
}

// Removes every other section with an end inside the completed one; the survivors keep their
// order, and CurrentSection follows the completed section to its new index.
void TLxMusicInfo::removeSectionsOverlapping(int completed)
{
    const TLxABLoopInfo kept = Sections[completed];
    std::vector<TLxABLoopInfo> survivors;
    survivors.reserve(Sections.size());
    for (int i = 0; i < static_cast<int>(Sections.size()); ++i) {
        const TLxABLoopInfo &s = Sections[i];
        if (i == completed)
            CurrentSection = static_cast<int>(survivors.size());
        else if (kept.contains(s.PosA) || kept.contains(s.PosB))
            continue;
        survivors.push_back(s);
    }
    Sections = std::move(survivors);
}

void TLxMusicInfo::DeleteSection(qint64 pos)
{
    if (pos < 0) {
        AMarkVisible = false;
        APending = false;
        Sections.clear();
        return;
    }
    if (Sections.empty())
        return;
    std::size_t nearest = 0;
    qint64 best = std::numeric_limits<qint64>::max();
    for (std::size_t i = 0; i < Sections.size(); ++i) {
        const qint64 d =
            std::min(absDistance(Sections[i].PosA, pos), absDistance(Sections[i].PosB, pos));
        if (d < best) {
            best = d;
            nearest = i;
        }
    }
    Sections.erase(Sections.begin() + static_cast<std::ptrdiff_t>(nearest));
    APending = false;
    AMarkVisible = false;
}

qint64 TLxMusicInfo::NextSectionStart(qint64 pos) const
{
    for (const TLxABLoopInfo &s : Sections) {
        if (s.PosA > pos)
            return s.PosA;
    }
    return -1;
}

qint64 TLxMusicInfo::PrevSectionStart(qint64 pos) const
{
    for (auto it = Sections.rbegin(); it != Sections.rend(); ++it) {
        if (it->PosB < pos)
            return it->PosA;
    }
    return -1;
}

int TLxMusicInfo::FindSection(qint64 pos) const
{
    for (std::size_t i = 0; i < Sections.size(); ++i) {
        if (Sections[i].contains(pos))
            return static_cast<int>(i);
    }
    return -1;
}

qint64 TLxMusicInfo::SectionRestartPos(int index, qint64 pos) const
{
    if (index < 0 || index >= static_cast<int>(Sections.size()))
        return -1;
    const TLxABLoopInfo &s = Sections[index];
    return s.PosB < pos ? s.PosA : -1;
}

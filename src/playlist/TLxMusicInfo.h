#pragma once

#include "playlist/TLxABLoopInfo.h"

#include <QString>

#include <vector>

// One song of the playlist: its file, length and format text, its A-B sections, and the
// little state the A and B buttons keep between two presses. Also used, outside the list, as
// the template that carries a probed file's length and format into AddEntry.
//
// Editing states, from (APending, AMarkVisible): Idle (false, false), Start moved
// (false, true), A pending (true, true).
// UI thread only.
class TLxMusicInfo {
public:
    int CurrentSection = 0;              // the section the A and B buttons work on
    int Status = 0;                      // opaque: read from and written back to the playlist file
    bool Played = false;                 // already chosen in the current random-play cycle
    std::vector<TLxABLoopInfo> Sections; // in creation or file order; never sorted
    QString FileName;                    // full path, exactly as added
    qint64 Length = 0;                   // bytes; 0 = not known
    QString AudioFormat;
    bool APending = false; // an A point waits for its B point
    qint64 LastA = 0;      // where the A mark is drawn
    bool AMarkVisible = false;

    // The A button at play position pos; addNew when Shift is held.
    void SetPointA(qint64 pos, bool addNew);
    // The B button at play position pos; the index of the completed section, or -1.
    int SetPointB(qint64 pos);
    // pos < 0 removes every section; otherwise the section with the nearest end goes.
    void DeleteSection(qint64 pos);

    // Start of the first section (list order) that starts after pos; -1 if none.
    qint64 NextSectionStart(qint64 pos) const;
    // Start of the last section (list order) that ends before pos; -1 if none.
    qint64 PrevSectionStart(qint64 pos) const;
    // Index of the first section that contains pos; -1 if none.
    int FindSection(qint64 pos) const;
    // Where A-B repeat jumps back to once pos has passed the end of section index; -1 if not.
    qint64 SectionRestartPos(int index, qint64 pos) const;

private:
    int sectionForPointA(qint64 pos) const;
    void removeSectionsOverlapping(int completed);
};

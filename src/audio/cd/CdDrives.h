#pragma once

#include <QString>

#include <vector>

namespace quillmere::audio {

// A drive the CD features can use: a real drive or a disc image standing in for one.
struct CdDrive {
    QString letter;      // what stands before the colon in the drive box: device path or "image"
    QString description; // "vendor model" of a drive, the file name of an image
    QString path;        // what libcdio opens
};

constexpr int MaxCdDrives = 10;

// libcdio's CD devices, then the images listed in QUILLMERE_CD_IMAGES (paths separated by
// ":"); at most MaxCdDrives in all.
std::vector<CdDrive> listCdDrives();

enum class CdDriveState { Ready, NoDisc, DoorOpen };

// Polled every 100 ms by the CD dialog. An image whose file is gone counts as an open door.
CdDriveState cdDriveState(const CdDrive &drive);

} // namespace quillmere::audio

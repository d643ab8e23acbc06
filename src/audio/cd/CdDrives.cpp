#include "audio/cd/CdDrives.h"

#include "audio/cd/CdDisc.h"

#include <QFile>
#include <QFileInfo>

#include <cdio/cdio.h>
#include <cdio/mmc.h>

namespace quillmere::audio {
namespace {

QString hardwareName(const char *device)
{
    CdIo_t *cdio = cdio_open(device, DRIVER_DEVICE);
    cdio_hwinfo_t info{};
    QString name;
    if (cdio && cdio_get_hwinfo(cdio, &info)) {
        name = QString::fromLatin1(info.psz_vendor).trimmed() + QLatin1Char(' ') +
               QString::fromLatin1(info.psz_model).trimmed();
    }
    if (cdio)
        cdio_destroy(cdio);
    return name.trimmed().isEmpty() ? QStringLiteral("CD drive") : name.trimmed();
}

bool isImage(const CdDrive &drive)
{
    return drive.letter == QLatin1String("image");
}

} // namespace

std::vector<CdDrive> listCdDrives()
{
    std::vector<CdDrive> drives;
    if (char **devices = cdio_get_devices(DRIVER_DEVICE)) {
        for (char **d = devices; *d && drives.size() < MaxCdDrives; ++d) {
            const QString path = QFile::decodeName(*d);
            drives.push_back({path, hardwareName(*d), path});
        }
        cdio_free_device_list(devices);
    }
    const QString images = qEnvironmentVariable("QUILLMERE_CD_IMAGES");
    for (const QString &path : images.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (drives.size() >= MaxCdDrives)
            break;
        drives.push_back({QStringLiteral("image"), QFileInfo(path).fileName(), path});
    }
    return drives;
}

CdDriveState cdDriveState(const CdDrive &drive)
{
    if (isImage(drive)) {
        if (!QFileInfo::exists(drive.path))
            return CdDriveState::DoorOpen;
        return CdDisc::open(drive.path) ? CdDriveState::Ready : CdDriveState::NoDisc;
    }
    CdIo_t *cdio = cdio_open(QFile::encodeName(drive.path).constData(), DRIVER_DEVICE);
    if (!cdio)
        return CdDriveState::NoDisc;
    const bool open = mmc_get_tray_status(cdio) == 1;
    const bool hasDisc = cdio_get_num_tracks(cdio) != CDIO_INVALID_TRACK;
    cdio_destroy(cdio);
    if (open)
        return CdDriveState::DoorOpen;
    return hasDisc ? CdDriveState::Ready : CdDriveState::NoDisc;
}

} // namespace quillmere::audio

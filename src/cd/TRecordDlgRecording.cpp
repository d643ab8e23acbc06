// Recording the checked tracks to WAV files. The run stays on the UI thread and lets the
// dialog's handlers run after every block, so a click on "BUTTON_RECORD" or "BUTTON_RETURN"
// ends it through StopRequested.
#include "audio/cd/CdPlayStream.h"
#include "audio/cd/CdRipStream.h"
#include "cd/CdGuideLine.h"
#include "cd/CdTrackNames.h"
#include "cd/CdWavWriter.h"
#include "cd/TRecordDlg.h"
#include "common/MessagePresenter.h"
#include "common/Units.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QTreeWidget>

#include <vector>

namespace {

constexpr qint64 BlockBytes = 20000;

QString joinPath(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

void TRecordDlg::setRunControlsEnabled(bool enabled)
{
    // What a run walks over (the drive, the rows, their names and checks) stays put meanwhile.
    cmbDrives->setEnabled(enabled);
    setButtonEnabled(u"BUTTON_CHECK_ON", enabled);
    setButtonEnabled(u"BUTTON_CHECK_OFF", enabled);
    setButtonEnabled(u"BUTTON_EDIT_FILENAME", enabled);
    setButtonEnabled(u"BUTTON_CD", enabled);
    setButtonEnabled(u"BUTTON_PLAY_CD", enabled);
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = ListView1->topLevelItem(i);
        item->setFlags(enabled ? item->flags() | Qt::ItemIsUserCheckable
                               : item->flags() & ~Qt::ItemIsUserCheckable);
    }
}

void TRecordDlg::runRecording()
{
    if (m_recording)
        return;
    m_recording = true;
    m_closing = false;
    m_repairedSectors = 0;
    setRunControlsEnabled(false);
    TLxSlider *position = m_sliders->Find(u"SLIDER_POSITION");
    position->Locked = true;
    Timer2.stop();
    FormPaint();
    int checked = 0;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        if (ListView1->topLevelItem(i)->checkState(0) != Qt::Checked)
            continue;
        ++checked;
        selectRow(i);
        if (!WriteTrack(CurrentDrive, i) || StopRequested)
            break;
        if (QTreeWidgetItem *item = ListView1->topLevelItem(i))
            item->setCheckState(0, Qt::Unchecked);
    }
    if (checked == 0 && !m_closing) {
        m_services.messages.show(QStringLiteral("録音するトラックのチェックをしてください。"),
                                 MessagePresenter::Icon::Information, MessagePresenter::Ok);
    }
    DispGuide(m_repairedSectors > 0
                  ? QStringLiteral("読み取りエラーを修復したセクタ: %1").arg(m_repairedSectors)
                  : QString());
    if (!m_closing)
        Timer2.start();
    position->Locked = false;
    m_recording = false;
    setRunControlsEnabled(true);
    setToggle(u"BUTTON_RECORD", false);
    FormPaint();
}

void TRecordDlg::stopRecording()
{
    setButtonEnabled(u"BUTTON_CD", true);
    setButtonEnabled(u"BUTTON_PLAY_CD", true);
    StopRequested = true;
    DispGuide(QString());
}

bool TRecordDlg::WriteTrack(int drive, int track)
{
    if (drive < 0 || drive >= int(m_drives.size()))
        return false;
    DriveStreams[size_t(drive)].reset(); // the drive reads for the recording now
    const auto rip = quillmere::audio::CdRipStream::open(m_drives[size_t(drive)].path, track);
    if (!rip) {
        StopRequested = true; // the disc went away: a read failure
        return false;
    }
    const QString name = rowFileName(track);
    if (drive == CurrentDrive) {
        m_sliders->Find(u"SLIDER_POSITION")
            ->SetRange(0, int(quillmere::bytesToWholeSeconds(rip->lengthBytes())));
        DispGuide(name + QStringLiteral("を録音中...        "));
    }
    const QString path = joinPath(RecordFolder, name);
    const auto cannotCreate = [&] {
        m_services.messages.show(
            QStringLiteral("オーディオファイル[%1]が作成できません。").arg(path),
            MessagePresenter::Icon::Error, MessagePresenter::Ok);
        return false;
    };
    if (InhibitOverwrite && QFileInfo::exists(path)) {
        m_services.messages.show(
            QStringLiteral("同じファイルが存在します。ファイル名を変更してください。"),
            MessagePresenter::Icon::Information, MessagePresenter::Ok);
        return false;
    }
    quillmere::cd::CdWavWriter writer;
    if (!quillmere::cd::isPlainFileName(name) || !writer.open(path))
        return cannotCreate();
    StopRequested = false;
    std::vector<char> block(BlockBytes);
    while (!StopRequested && !rip->atEnd()) {
        const qint64 n = rip->read(block.data(), BlockBytes);
        if (n < 0) {
            writer.discard();
            m_services.messages.show(
                QStringLiteral("トラック%1に読み取れないセクタが%2個あります。録音を中止しました。")
                    .arg(track + 1)
                    .arg(rip->unreadableSectors()),
                MessagePresenter::Icon::Error, MessagePresenter::Ok);
            StopRequested = true;
            return false;
        }
        if (!writer.write(block.data(), n)) {
            writer.discard();
            return cannotCreate();
        }
        const qint64 seconds = quillmere::bytesToWholeSeconds(rip->positionBytes());
        m_sliders->Find(u"SLIDER_POSITION")->SetValue(int(seconds));
        Panel1->setText(QStringLiteral("%1 - %2:%3")
                            .arg(track + 1)
                            .arg(seconds / 60)
                            .arg(seconds % 60, 2, 10, QLatin1Char('0')));
        QCoreApplication::processEvents();
    }
    if (StopRequested) {
        writer.discard();
        return false;
    }
    if (!writer.finish())
        return cannotCreate();
    m_repairedSectors += rip->repairedSectors();
    if (AutoEnter && m_services.addToPlayList)
        m_services.addToPlayList(path);
    return true;
}

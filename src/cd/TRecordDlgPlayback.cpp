// The CD dialog's track list, play runs, disc watch and guide line.
#include "audio/AudioBackend.h"
#include "audio/cd/CdDisc.h"
#include "audio/cd/CdPlayStream.h"
#include "cd/CdGuideLine.h"
#include "cd/CdTrackNames.h"
#include "cd/TCDPropertyDlg.h"
#include "cd/TRecordDlg.h"
#include "common/MessagePresenter.h"
#include "common/TLxMutex.h"
#include "common/Units.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

using quillmere::audio::ActiveState;
using quillmere::audio::CdPlayStream;

namespace {

QString minutesText(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void TRecordDlg::FormShow()
{
    Timer1.start();
    Timer2.start();
    if (m_services.getVolume)
        m_sliders->Find(u"SLIDER_VOLUME")->SetValue(m_services.getVolume());
    RunStartTrack = -1;
    m_closing = false;
    UpdateTrackList();
    FormPaint();
}

QString TRecordDlg::rowFileName(int row) const
{
    const QTreeWidgetItem *item = ListView1->topLevelItem(row);
    return item ? item->text(1) : QString();
}

int TRecordDlg::selectedRow() const
{
    QTreeWidgetItem *item = ListView1->currentItem();
    return item && item->isSelected() ? ListView1->indexOfTopLevelItem(item) : -1;
}

void TRecordDlg::selectRow(int row)
{
    if (QTreeWidgetItem *item = ListView1->topLevelItem(row)) {
        ListView1->setCurrentItem(item);
        item->setSelected(true);
    }
}

CdPlayStream *TRecordDlg::currentStream() const
{
    return CurrentDrive >= 0 && CurrentDrive < int(DriveStreams.size())
               ? DriveStreams[size_t(CurrentDrive)].get()
               : nullptr;
}

void TRecordDlg::UpdateTrackList()
{
    ListView1->clear();
    if (CurrentDrive < 0 || CurrentDrive >= int(m_drives.size()))
        return;
    const auto disc = quillmere::audio::CdDisc::open(m_drives[size_t(CurrentDrive)].path);
    if (!disc)
        return; // no disc: the list stays empty, buttons and guide as they were
    const QStringList titles = disc->cdTextTitles();
    for (int i = 0; i < disc->trackCount(); ++i) {
        const qint64 length = disc->trackLengthBytes(i);
        if (length < 0) {
            m_services.messages.show(QStringLiteral("Audio CDではありません。"),
                                     MessagePresenter::Icon::Error, MessagePresenter::Ok);
            break;
        }
        QString name = quillmere::cd::cdTextTrackFileName(titles, i);
        if (name.isEmpty())
            name = quillmere::cd::defaultTrackFileName(i);
        auto *item = new QTreeWidgetItem(ListView1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        item->setText(0, QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        item->setText(1, name);
        item->setText(2, minutesText(quillmere::bytesToWholeSeconds(length)));
        for (int column = 0; column < 3; ++column)
            item->setToolTip(column, name); // the hint over a row is its file name
    }
    const bool rows = ListView1->topLevelItemCount() > 0;
    setButtonEnabled(u"BUTTON_RECORD", rows);
    setButtonEnabled(u"BUTTON_PLAY_CD", rows);
    if (rows) {
        DispGuide(
            QStringLiteral("録音ファイル保存先は[%1]です。録音するトラックのチェックをオンにして"
                           "録音ボタンをクリックしてください。")
                .arg(RecordFolder));
        if (selectedRow() < 0)
            selectRow(0);
    } else {
        DispGuide(QStringLiteral("オーディオCDが読み込めませんでした。   オーディオCDを挿入して"
                                 "「CD読込み」ボタンをクリックしてください。"));
    }
    FormPaint();
}

void TRecordDlg::TogglePlayback(bool fromList)
{
    const CdPlayStream *stream = currentStream();
    if (stream && !fromList &&
        m_services.backend.activeState(stream->channel()) == ActiveState::Playing) {
        StopCdPlayback();
        return;
    }
    if (ListView1->topLevelItemCount() == 0) {
        setToggle(u"BUTTON_PLAY_CD", false); // nothing to play on an emptied list
        return;
    }
    if (selectedRow() < 0)
        selectRow(0);
    setButtonEnabled(u"BUTTON_CD", false);
    setButtonEnabled(u"BUTTON_RECORD", false);
    setToggle(u"BUTTON_PLAY_CD", true);
    RunStartTrack = selectedRow();
    PlayTrack(CurrentDrive, RunStartTrack);
    FormPaint();
}

void TRecordDlg::PlayTrack(int drive, int track)
{
    if (drive < 0 || drive >= int(m_drives.size()))
        return;
    auto &stream = DriveStreams[size_t(drive)];
    if (!stream) {
        stream = std::make_unique<CdPlayStream>(
            m_services.backend, drive, m_drives[size_t(drive)].path, [this](int d, int t) {
                // On the event thread: the list and the next track belong to the UI thread.
                QMetaObject::invokeMethod(
                    this, [this, d, t] { OnTrackEnd(d, t); }, Qt::QueuedConnection);
            });
    }
    if (!stream->setTrack(track))
        return;
    if (drive == CurrentDrive) {
        const qint64 length = m_services.backend.lengthBytes(stream->channel());
        m_sliders->Find(u"SLIDER_POSITION")
            ->SetRange(0, int(quillmere::bytesToWholeSeconds(length)));
        DispGuide(rowFileName(track) + QStringLiteral("を再生中...        "));
    }
    m_services.backend.play(stream->channel(), false);
}

void TRecordDlg::OnTrackEnd(int drive, int track)
{
    const CdPlayStream *stream = DriveStreams[size_t(drive)].get();
    if (!stream || stream->track() != track || RunStartTrack < 0)
        return; // stale: the stream was re-aimed or the run stopped since
    const auto disc = quillmere::audio::CdDisc::open(m_drives[size_t(drive)].path);
    if (!disc) {
        StopCdPlayback();
        return;
    }
    const int next = (track + 1) % disc->trackCount();
    if (next == RunStartTrack) {
        selectRow(next);
        StopCdPlayback();
    } else {
        if (drive == CurrentDrive)
            selectRow(next);
        PlayTrack(drive, next);
    }
    ListView1->viewport()->update();
}

void TRecordDlg::StopCdPlayback()
{
    RunStartTrack = -1;
    if (const CdPlayStream *stream = currentStream())
        m_services.backend.stop(stream->channel());
    setButtonEnabled(u"BUTTON_CD", true);
    setButtonEnabled(u"BUTTON_RECORD", true);
    DispGuide(QString());
    setToggle(u"BUTTON_PLAY_CD", false);
    FormPaint();
}

void TRecordDlg::CheckAllTracks(bool on)
{
    if (m_recording)
        return;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        ListView1->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

void TRecordDlg::EditTrackFileName()
{
    const int row = selectedRow();
    if (m_recording || row < 0)
        return;
    QTreeWidgetItem *item = ListView1->topLevelItem(row);
    m_propertyDlg->EditFileName->setText(item->text(1));
    m_propertyDlg->EditFileLength->setText(QStringLiteral("  時間: ") + item->text(2));
    if (m_propertyDlg->exec() == TCDPropertyDlg::ResultOk) {
        item->setText(1, m_propertyDlg->EditFileName->text());
        for (int column = 0; column < 3; ++column)
            item->setToolTip(column, item->text(1));
    }
}

void TRecordDlg::DispGuide(const QString &text)
{
    Label1->setText(text);
}

void TRecordDlg::Timer1Timer()
{
    if (m_services.getVolume)
        m_sliders->Find(u"SLIDER_VOLUME")->SetValue(m_services.getVolume());
    Label1->step();
}

void TRecordDlg::Timer2Timer()
{
    const TLxMutexLocker locked(m_services.recordMutex);
    qint64 seconds = 0;
    CdPlayStream *stream = currentStream();
    const ActiveState state =
        stream ? m_services.backend.activeState(stream->channel()) : ActiveState::Stopped;
    if (state != ActiveState::Stopped) {
        seconds =
            quillmere::bytesToWholeSeconds(m_services.backend.positionBytes(stream->channel()));
        Panel1->setText(QStringLiteral("%1 - %2")
                            .arg((stream->driveAndTrack() & 0xffff) + 1)
                            .arg(minutesText(seconds)));
    } else {
        Panel1->setText(QStringLiteral(" "));
        if (ListView1->topLevelItemCount() > 0 && CurrentDrive < int(m_drives.size()) &&
            quillmere::audio::cdDriveState(m_drives[size_t(CurrentDrive)]) !=
                quillmere::audio::CdDriveState::Ready) {
            DriveStreams[size_t(CurrentDrive)].reset();
            ListView1->clear();
        }
    }
    m_sliders->Find(u"SLIDER_POSITION")->SetValue(int(seconds));
}

void TRecordDlg::PrepareClose()
{
    m_closing = true;
    setToggle(u"BUTTON_RECORD", false);
    setToggle(u"BUTTON_PLAY_CD", false);
    Timer1.stop();
    Timer2.stop();
    StopRequested = true;
    RunStartTrack = -1;
    const TLxMutexLocker locked(m_services.recordMutex);
    for (auto &stream : DriveStreams)
        stream.reset();
    ListView1->clear();
    setButtonEnabled(u"BUTTON_CD", true);
}

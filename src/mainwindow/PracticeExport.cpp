#include "mainwindow/PracticeExport.h"

#include "common/AppPaths.h"
#include "common/MessagePresenter.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/TForm1.h"
#include "playlist/TLxMusicInfoMng.h"
#include "skin/TLxSlider.h"
#include "skin/TLxSliderMng.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QProgressDialog>
#include <QThread>

namespace {

constexpr double BytesPerSecond = 176400;
constexpr int ProgressSteps = 1000;

QString signedNumber(int value)
{
    return value > 0 ? QStringLiteral("+%1").arg(value) : QString::number(value);
}

} // namespace

PracticeExport::PracticeExport(TForm1 &window, MessagePresenter &messages)
    : QObject(&window), m_window(window), m_messages(messages)
{
    m_progressTimer.setInterval(100);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] { showProgress(); });
}

PracticeExport::~PracticeExport()
{
    if (m_worker) {
        m_worker->disconnect(this);
        m_cancel = true;
        m_worker->wait();
    }
}

QString PracticeExport::proposedFileName(const QString &songPath, int speedPercent,
                                         int pitchSemitones)
{
    const QString base = QFileInfo(songPath).completeBaseName();
    if (speedPercent == 0 && pitchSemitones == 0)
        return base + QStringLiteral(".wav");
    return QStringLiteral("%1 (%2%, %3).wav")
        .arg(base, signedNumber(speedPercent), signedNumber(pitchSemitones));
}

qint64 PracticeExport::shownPosition() const
{
    if (m_window.Player().IsPlaying())
        return m_window.Player().GetPosition();
    // Paused, the engine reports no position; the slider still shows where it stopped.
    const TLxSlider *slider = m_window.SliderMng().Find(QStringLiteral("SLIDER_PLAY"));
    return slider ? slider->GetValue() : -1;
}

void PracticeExport::start()
{
    TLxMusicInfoMng &mng = m_window.Player().MusicInfoMng();
    const int line = m_window.SingleSelectedIndex();
    const TLxMusicInfo *entry = line >= 0 ? mng.Entry(line) : nullptr;
    if (!entry || busy()) {
        m_messages.show(busy() ? QStringLiteral("練習用ファイルを書き出しています。"
                                                "終わるまでお待ちください。")
                               : QStringLiteral("プレイリストをクリックして書き出すオーディオ"
                                                "ファイルを1個選んでください。"),
                        MessagePresenter::Icon::Information, MessagePresenter::Ok);
        return;
    }
    RenderRequest request;
    request.input = entry->FileName;
    request.settings = m_window.Player().Settings();
    request.pluginFolder = quillmere::AppPaths::pluginDir();
    // Only the song being played has a position, so only it can have a section under it.
    const int section = line == mng.GetCurrentIndex() ? entry->FindSection(shownPosition()) : -1;
    if (section >= 0) {
        request.loopFromSeconds = double(entry->Sections[size_t(section)].PosA) / BytesPerSecond;
        request.loopToSeconds = double(entry->Sections[size_t(section)].PosB) / BytesPerSecond;
        request.breath = m_window.Player().Breath(); // the repeats sound as they do here
    }
    if (!askForTarget(request.input, request.output) ||
        (section >= 0 && !askForRepeats(request.repeats)))
        return;
    launch(request);
}

bool PracticeExport::askForTarget(const QString &songPath, QString &target)
{
    const PlayerSettings &settings = m_window.Player().Settings();
    QFileDialog dialog(&m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setWindowTitle(QStringLiteral("練習用に書き出し"));
    dialog.setNameFilters(
        {QStringLiteral("WAV ファイル (*.wav)"), QStringLiteral("FLAC ファイル (*.flac)")});
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(filter.contains(u"flac") ? QStringLiteral("flac")
                                                         : QStringLiteral("wav"));
    });
    dialog.setDirectory(QFileInfo(songPath).absolutePath());
    dialog.selectFile(proposedFileName(songPath, settings.speed, settings.pitch));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    target = dialog.selectedFiles().first();
    return true;
}

bool PracticeExport::askForRepeats(int &repeats)
{
    QInputDialog dialog(&m_window);
    dialog.setObjectName(QStringLiteral("PracticeRepeatDialog"));
    dialog.setWindowTitle(QStringLiteral("練習用に書き出し"));
    dialog.setLabelText(QStringLiteral("区間を繰り返す回数:"));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(1, 10000);
    dialog.setIntValue(1);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    repeats = dialog.intValue();
    return true;
}

void PracticeExport::launch(const RenderRequest &request)
{
    m_cancel = false;
    m_framesDone = 0;
    m_framesTotal = -1;
    m_progress = new QProgressDialog(QStringLiteral("練習用ファイルを書き出しています..."),
                                     QStringLiteral("キャンセル"), 0, ProgressSteps, &m_window);
    m_progress->setObjectName(QStringLiteral("PracticeExportProgress"));
    m_progress->setWindowTitle(QStringLiteral("練習用に書き出し"));
    m_progress->setWindowModality(Qt::NonModal); // playing and editing go on meanwhile
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setMinimumDuration(0);
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, this, [this] { m_cancel = true; });
    m_progress->show();

    m_worker.reset(QThread::create([this, request] {
        m_result = renderToFile(request, [this](qint64 done, qint64 total) {
            m_framesDone = done;
            m_framesTotal = total;
            return !m_cancel;
        });
    }));
    connect(m_worker.get(), &QThread::finished, this, [this] { finished(); });
    m_worker->start();
    m_progressTimer.start();
}

void PracticeExport::showProgress()
{
    const qint64 total = m_framesTotal;
    if (m_progress && total > 0)
        m_progress->setValue(
            int(std::min<qint64>(ProgressSteps, m_framesDone * ProgressSteps / total)));
}

void PracticeExport::finished()
{
    m_progressTimer.stop();
    m_worker->wait();
    m_worker.reset();
    delete m_progress.data();
    const RenderResult result = m_result;
    if (result.status == RenderResult::Status::CannotDecode)
        m_messages.show(QStringLiteral("この曲を読み込めないため、練習用ファイルを書き出せません"
                                       "でした。"),
                        MessagePresenter::Icon::Error, MessagePresenter::Ok);
    else if (result.status == RenderResult::Status::CannotWrite)
        m_messages.show(QStringLiteral("練習用ファイルを書き込めませんでした。保存先の空き容量と"
                                       "書き込みの権限を確かめてください。"),
                        MessagePresenter::Icon::Error, MessagePresenter::Ok);
}

#include "mainwindow/PracticeExport.h"

#include "common/AppPaths.h"
#include "common/MessagePresenter.h"
#include "common/Units.h"
#include "engine/TLxPlayer.h"
#include "playlist/TLxMusicInfoMng.h"
#include "session/PracticeSession.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QProgressDialog>
#include <QThread>

namespace {

constexpr int ProgressSteps = 1000;

QString signedNumber(int value)
{
    return value > 0 ? QStringLiteral("+%1").arg(value) : QString::number(value);
}

} // namespace

PracticeExport::PracticeExport(PracticeSession &session, QWidget *parent,
                               MessagePresenter &messages)
    : QObject(parent), m_session(session), m_parent(parent), m_messages(messages)
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

void PracticeExport::start(int line)
{
    const TLxMusicInfoMng &mng = m_session.PlayList();
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
    request.settings = m_session.Player().Settings();
    request.pluginFolder = quillmere::AppPaths::pluginDir();
    // Only the song being played has a position, so only it can have a section under it.
    const bool heard = m_session.transport() != PracticeSession::Transport::Stopped;
    const int section =
        heard && line == mng.GetCurrentIndex() ? entry->FindSection(m_session.Position()) : -1;
    if (section >= 0) {
        request.loopFromSeconds = quillmere::bytesToSeconds(entry->Sections[size_t(section)].PosA);
        request.loopToSeconds = quillmere::bytesToSeconds(entry->Sections[size_t(section)].PosB);
        request.breath = m_session.Player().Breath(); // the repeats sound as they do here
    }
    if (!askForTarget(request.input, request.output) ||
        (section >= 0 && !askForRepeats(request.repeats)))
        return;
    launch(request);
}

bool PracticeExport::askForTarget(const QString &songPath, QString &target)
{
    const PlayerSettings &settings = m_session.Player().Settings();
    QFileDialog dialog(m_parent);
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
    QInputDialog dialog(m_parent);
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
                                     QStringLiteral("キャンセル"), 0, ProgressSteps, m_parent);
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

#include "mainwindow/FileIntake.h"

#include <QProgressDialog>

namespace {

constexpr int SliceMs = 15;

} // namespace

FileIntake::FileIntake(Probe probe, Add add, QWidget *progressParent)
    : m_probe(std::move(probe)), m_add(std::move(add)), m_progressParent(progressParent)
{
    m_nextSlice.setSingleShot(true);
    m_nextSlice.setInterval(0);
    connect(&m_nextSlice, &QTimer::timeout, this, [this] { runSlice(); });
}

FileIntake::~FileIntake() = default;

void FileIntake::start(const QStringList &paths, bool select, Done done)
{
    Request request;
    request.paths = paths;
    request.select = select;
    request.done = std::move(done);
    m_queue.push_back(std::move(request));
    if (m_queue.size() == 1 && !m_inSlice) {
        m_frontStarted.start();
        runSlice();
    } else {
        m_nextSlice.start();
    }
}

void FileIntake::cancel()
{
    if (!m_queue.empty())
        m_queue.front().stopped = true;
    m_nextSlice.start();
}

void FileIntake::runSlice()
{
    if (m_inSlice)
        return; // a request's done started another request: the timer carries on
    m_inSlice = true;
    QElapsedTimer slice;
    slice.start();
    while (!m_queue.empty() && slice.elapsed() < SliceMs) {
        if (!stepFront(m_queue.front()))
            finishFront();
    }
    // Showing the progress runs the event loop: a request arriving meanwhile only queues.
    if (!m_queue.empty() && m_frontStarted.elapsed() >= ProgressDelayMs)
        showProgress(m_queue.front().outcome.added);
    m_inSlice = false;
    if (!m_queue.empty())
        m_nextSlice.start();
}

bool FileIntake::stepFront(Request &request)
{
    if (request.stopped || request.outcome.added >= MaxFilesPerIntake)
        return false;
    if (!request.walk) {
        if (request.nextPath >= request.paths.size())
            return false;
        request.walk.emplace(request.paths.at(request.nextPath++));
    }
    QString file;
    const FolderWalk::Step step = request.walk->step(file);
    if (step == FolderWalk::Step::Done) {
        request.walk.reset();
        return true;
    }
    if (step == FolderWalk::Step::File) {
        TLxMusicInfo probed;
        if (m_probe(file, probed)) {
            const Added added = m_add(file, probed, request.select);
            if (added == Added::Abort)
                return false;
            if (added == Added::Yes) {
                ++request.outcome.added;
                request.outcome.lastAdded = file;
            }
        }
    }
    return true;
}

void FileIntake::finishFront()
{
    Request request = std::move(m_queue.front());
    m_queue.pop_front();
    m_frontStarted.start();
    m_progress.reset();
    if (request.done)
        request.done(request.outcome);
}

void FileIntake::showProgress(int added)
{
    if (!m_progress) {
        m_progress = std::make_unique<QProgressDialog>(m_progressParent);
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setCancelButtonText(QStringLiteral("キャンセル"));
        m_progress->setRange(0, MaxFilesPerIntake);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoReset(false);
        m_progress->setAutoClose(false);
        connect(m_progress.get(), &QProgressDialog::canceled, this, [this] { cancel(); });
    }
    m_progress->setLabelText(
        QStringLiteral("オーディオファイルを追加しています... %1 個").arg(added));
    m_progress->setValue(added);
    m_progress->show();
}

#pragma once

// Threads: UI thread, except the render itself, which runs on a worker thread of its own and
// reaches back only through the two atomics below and the thread's finished signal.

#include "engine/OfflineRender.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>

class MessagePresenter;
class QProgressDialog;
class PracticeSession;
class QThread;
class QWidget;

// The play list's "練習用に書き出し...": renders a song of the list, or the A-B section under
// the position (repeated as often as asked), with the session's speed, pitch, equaliser,
// reverb and balance, to a WAV or FLAC file the user names. The render runs on a worker
// while a progress dialog offers to cancel; the session goes on playing meanwhile.
class PracticeExport : public QObject {
    Q_OBJECT
public:
    // The dialogs open over parent, which owns the export.
    PracticeExport(PracticeSession &session, QWidget *parent, MessagePresenter &messages);
    ~PracticeExport() override; // cancels a render still running and waits for it

    // Exports line `line` of the list (-1: none chosen, which the user is told).
    void start(int line);
    bool busy() const { return m_worker != nullptr; }

    // "song (-25%, +2).wav"; "song.wav" when the speed and the pitch are both neutral.
    static QString proposedFileName(const QString &songPath, int speedPercent, int pitchSemitones);

private:
    bool askForTarget(const QString &songPath, QString &target);
    bool askForRepeats(int &repeats);
    void launch(const RenderRequest &request);
    void showProgress();
    void finished();

    PracticeSession &m_session;
    QWidget *m_parent;
    MessagePresenter &m_messages;
    std::unique_ptr<QThread> m_worker;
    QPointer<QProgressDialog> m_progress;
    QTimer m_progressTimer;
    std::atomic<qint64> m_framesDone{0};
    std::atomic<qint64> m_framesTotal{-1};
    std::atomic<bool> m_cancel{false};
    RenderResult m_result; // written by the worker, read once it has finished
};

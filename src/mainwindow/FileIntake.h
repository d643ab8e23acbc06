#pragma once

#include "playlist/FolderWalk.h"
#include "playlist/TLxMusicInfo.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QProgressDialog;
class QWidget;

// What one intake request took in.
struct FileIntakeOutcome {
    int added = 0;     // playable files taken in (added, or found already listed)
    QString lastAdded; // the path of the last of them
};

// Takes files and folders into the play list a slice of time at a time, so that a folder of
// thousands of files never freezes the window: each slice walks, probes and adds for about
// 15 ms, then lets the event loop run. An intake that lasts over half a second shows its
// progress with a cancel button. Requests queue up and run one after another, in order.
// UI thread only.
class FileIntake : public QObject {
public:
    static constexpr int MaxFilesPerIntake = 300;
    static constexpr int ProgressDelayMs = 500;

    // Probes a file quietly: true when it plays, with its length and format filled in.
    using Probe = std::function<bool(const QString &path, TLxMusicInfo &probed)>;
    // Adds a probed file to the playlist.
    enum class Added { Yes, Skipped, Abort }; // Abort: the user stopped the intake
    using Add = std::function<Added(const QString &path, const TLxMusicInfo &probed, bool select)>;
    using Outcome = FileIntakeOutcome;
    // Runs when a request is over.
    using Done = std::function<void(const Outcome &outcome)>;

    FileIntake(Probe probe, Add add, QWidget *progressParent);
    ~FileIntake() override;

    // Takes in the paths in order (a folder with everything under it), at most
    // MaxFilesPerIntake playable files in all, then calls done. Without paths, done simply
    // runs in its turn. A request made while nothing else is queued starts at once, so a
    // few files are usually in before this returns.
    void start(const QStringList &paths, bool select, Done done);
    bool busy() const { return !m_queue.empty(); }
    // Ends the running request as if its files had run out; queued requests go on.
    void cancel();

private:
    struct Request {
        QStringList paths;
        bool select = false;
        Done done;
        qsizetype nextPath = 0;
        std::optional<FolderWalk> walk;
        Outcome outcome;
        bool stopped = false;
    };
    void runSlice();
    // One step of the front request; false when it is over.
    bool stepFront(Request &request);
    void finishFront();
    void showProgress(int added);

    Probe m_probe;
    Add m_add;
    QPointer<QWidget> m_progressParent;
    std::deque<Request> m_queue;
    QTimer m_nextSlice;
    QElapsedTimer m_frontStarted;
    bool m_inSlice = false;
    std::unique_ptr<QProgressDialog> m_progress;
};

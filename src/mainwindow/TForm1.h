#pragma once

// The main window. Everything here runs on the UI thread; the audio threads reach it only
// through the practice session, whose clock (Timer1) polls the engine's end-of-song flag.

#include "common/TLxMutex.h"
#include "mainwindow/MessageBoxPresenter.h"
#include "mainwindow/OptionSettings.h"
#include "session/PracticeSession.h"
#include "skinwidgets/SkinPaintBox.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <stdexcept>

class FileIntake;
struct FileIntakeOutcome;
class PlayListBox;
class QMenu;
class QAction;
class QLineEdit;
class TLxButtonMng;
class TLxPlayer;
class TLxSliderMng;
class TPlayPropertyDlg;
class TToolDlg;
class TRecordDlg;
namespace quillmere {
class IniFile;
}
namespace quillmere::engine {
class VolumeWatcher;
}

// The player's window: the skin surface with every button and slider, the spectrum, the A-B
// section bar, the play list and the time and value fields. It owns the engine, the system
// volume, the practice session over them and the two skin managers, and keeps the [Form] keys
// and the speed range. Its handlers call the session; its controls show what the session
// announces.
// Construction and settings: TForm1.cpp; the mouse and the commands: TForm1Commands.cpp;
// playback, the timers and A-B repeat: TForm1Playback.cpp; the play list's commands:
// TForm1PlayList.cpp.
class TForm1 : public QWidget {
public:
    // The audio output could not start; the user has been told already.
    struct StartupFailed : std::runtime_error {
        StartupFailed() : std::runtime_error("audio output unavailable") {}
    };

    // Builds the whole window and takes in paths (files to add to the play list; the last
    // added one starts playing). messages defaults to real message boxes; outputSpec as for
    // TLxPlayer::Init. Throws SkinFileError for a missing skin image and StartupFailed.
    explicit TForm1(const QStringList &paths = {}, MessagePresenter *messages = nullptr,
                    const QString &outputSpec = {});
    ~TForm1() override; // saves the [Form] and [Option] keys after the engine's own

    // Construction and settings.
    void LoadIniSettings(const quillmere::IniFile &ini);
    void SaveIniSettings(quillmere::IniFile &ini) const;
    void PaintBackground(const QRect &clip);
    void FormPaint();
    // The first copy's own arguments: one ".qlx" alone replaces the list; otherwise the paths
    // are added and, once they are in, the last added entry starts playing.
    void ProcessCommandLine(const QStringList &paths);
    // The speed and pitch sliders' values go to the session.
    void ApplySpeedSlider();
    void ApplyPitchSlider();
    // Moves a slider as a drag to value would, with the same effect on the sound.
    void MoveSlider(const QString &name, int value)
    {
        setSliderValue(name, value);
        sliderChanged(name);
    }

    // The mouse over the skin surface and the commands.
    void PaintBox1MouseDown(QPoint pos, Qt::KeyboardModifiers modifiers);
    void PaintBox1MouseMove(QPoint pos);
    void PaintBox1MouseUp(QPoint pos, Qt::KeyboardModifiers modifiers);
    void TimerRepeatTimer();
    SkinPaintBox::Hint ShowHintHandler(QPoint pos) const;
    void RunCommand(const QString &name, Qt::KeyboardModifiers modifiers);

    // The section bar: its hint names the section under the mouse and its speed trainer; its
    // pop-up menu sets the trainer of the section clicked. Ctrl+T opens the trainer of the
    // section being played (or the one the A and B buttons work on) straight away.
    SkinPaintBox::Hint SectionBarHint(QPoint barPos) const;
    void PopupMenuSectionBarPopup(QPoint globalPos, int section);
    void ShowSpeedTrainerDialog(int section);
    QMenu &PopupMenuSectionBar() { return *m_sectionMenu; }
    const SpeedTrainerSession &Trainer() const { return m_session->Trainer(); }

    // Playback, the timers and A-B repeat.
    void Timer1Timer(); // one tick of the session's clock
    void TimerSpecTimer();
    void PlayEnd(); // the end of a song or of the continuous-play time
    bool PlayFile(const QString &path);
    void StopPlayback();
    void PausePlayback();
    void ResumePlayback();
    void PlayNextEntry(bool play);
    void PlayPreviousEntry(bool play);
    void SelectOnly(int index);
    void ListBoxPlayListDblClick();
    void DeleteSelectedEntries();
    void MoveSelectedEntries(const QString &name);
    int SingleSelectedIndex() const;
    void PopupMenuPlayListPopup(QPoint globalPos);
    void PopupDeleteClick();
    void PopupUpClick();
    void PopupDownClick();
    // File intake: files and folders (everything under them) are probed and the playable
    // ones added, at most 300 per call, a slice at a time; done runs once they are in.
    void AddPathToPlayList(const QStringList &paths, bool select,
                           const std::function<void(const FileIntakeOutcome &)> &done = {});
    // Replaces the list with a playlist file, after any intake still running; with playLast
    // its last entry then plays. A missing or damaged file leaves the list as it is and says
    // so. done runs when it is over.
    void LoadPlayListFile(const QString &path, bool playLast = false,
                          const std::function<void()> &done = {});
    // Case matters: "A.QLX" is taken as audio.
    static bool isPlayListFile(const QString &path);
    // Dropped files: one ".qlx" alone replaces the list, anything else is added.
    void DropFiles(const QStringList &paths);
    FileIntake &Intake() { return *m_intake; }
    // "BUTTON_WRITE" and the menu's first item: the selected entry's properties; after OK
    // its file is renamed or moved where the dialog says and the entry follows it.
    void ShowEntryProperties();
    TPlayPropertyDlg &PlayPropertyDlg();
    // "BUTTON_TOOL": the options dialog, filled from the settings; after OK the window takes
    // the new values over and the [Option] section is written at once. A recording folder
    // chosen in it counts even when the dialog is cancelled.
    void ShowToolDialog();
    TToolDlg &ToolDlg() { return *m_toolDlg; }
    // "BUTTON_RECORD": the CD dialog, modal, with the main player stopped and the timers off.
    // Without a CD drive or disc image a message says so and the program goes on.
    void RecordCommand();
    // Made with the window and kept, with its drive and streams, until the end; it looks for
    // drives at the first "BUTTON_RECORD", so that start-up never waits for one.
    TRecordDlg *RecordDlg() const { return m_recordDlg.get(); }
    QMenu &PopupMenuPlayList() { return *m_popupMenu; }
    // A path handed over by a second copy: a ".qlx" file replaces the list, anything else is
    // added, and the last added or found entry plays. done runs once the path has been taken
    // in, so that the sender may send its next path.
    void CopyDataReceived(const QString &path, const std::function<void()> &done);

    TLxPlayer &Player() { return *m_player; }
    PracticeSession &Session() { return *m_session; }
    TLxButtonMng &ButtonMng() { return *m_buttons; }
    TLxSliderMng &SliderMng() { return *m_sliders; }
    OptionSettings &Options() { return m_options; }
    // The key T: one tap of the count-in's tempo. The tempo is shown in the hint of
    // "BUTTON_LOOP" and reaches the stream at once.
    void TapCountInTempo();
    PlayListBox &PlayList() { return *ListBoxPlayList; }
    QString SpeedText() const;
    QString PitchText() const;
    QString PositionText() const;
    QString TotalText() const;
    bool ABLoopAtStart() const { return m_abLoopAtStart; }

    // The window's state, read by the tests; the playback state is the session's.
    bool RandomMode() const { return m_session->Random(); }
    PracticeSession::Sectioning SectionState() const { return m_session->sectioning(); }
    int RepeatSection() const { return m_session->RepeatSection(); }
    PracticeSession::PlayLimit SleepState() const { return m_session->playLimit(); }
    int SleepElapsedMs() const { return m_session->PlayLimitElapsedMs(); }
    int MinOfSpeed = -75;
    int MaxOfSpeed = 300;
    QString RepeatButtonName;
    bool WindowDragging = false;
    QPoint DragStart;
    bool PositionDragging = false;
    int LastVolume = 0;

    // Named locks shared with other copies: "QuillmerePlayer_Record" (a copy runs; held
    // while the section bar is drawn), "QuillmerePlayer_Play" (the mouse, timer and
    // double-click handlers) and "QuillmerePlayer_Paint" (painting, section changes).
    TLxMutex RecordMutex;
    TLxMutex PlayMutex;
    TLxMutex PaintMutex;

    // Saves the default playlist a second after the first unsaved change, so that a crash or
    // a killed session never loses the sections marked since the start.
    QTimer AutoSaveTimer;
    // Writes the settings two seconds after the last slider, button or window move, so that
    // a crash or a lost session keeps the sound the user had set up.
    QTimer SettingsSaveTimer;
    void SaveSettings();
    QTimer &Timer1() { return m_session->Clock(); }
    QTimer TimerSpec;
    QTimer TimerRepeat;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createMutexes();
    // Runs an event handler; a named lock that another copy holds past its time-out ends it
    // with the lock's message instead of an exception through the event loop.
    void runHandler(const std::function<void()> &handler);
    void createChildren();
    void createButtons();
    void createSliders();
    void loadPlayList();
    void createPlayListControls();
    void playEntry(int index);
    void createToolDialog();
    void createRecordDialog();
    void createSectionBarMenu();
    void createSession();
    // The session's announcements, shown in the controls.
    void showTransport(PracticeSession::Transport transport);
    void showSongStarted(qint64 length);
    void showPosition(qint64 bytes);
    void showSpeed(int percent);
    void showPitch(int semitones);
    void showCountInTempo();
    void showToggle(const QString &name, bool on);
    void fillToolDialog();
    void takeToolDialog();
    void saveOptionSection();
    void loadPlayListFileNow(const QString &path);
    void buildOpenFilter();
    void setSliderValue(const QString &name, qint64 value);
    int sliderValue(const QString &name) const; // the sliders of small ranges
    qint64 positionSliderValue() const;
    bool isPlayOn() const;
    void setPlayOn(bool on);
    void sliderChanged(const QString &name);
    bool runPlaybackCommand(const QString &name);
    bool runSectionCommand(const QString &name, Qt::KeyboardModifiers modifiers);
    bool runSoundCommand(const QString &name);
    void runFileCommand(const QString &name);
    void playButtonSteps();
    void stepSpeed(int delta);
    void stepPitch(int delta);
    void openFile();
    void saveFile();
    void systemError(int code, const QString &detail = {});
    void updateButtons(int mode, bool keepAB);
    void updateButtonsToPlayState();
    void removeUnplayableEntry(const QString &path);
    void information(const QString &text);
    static int spectrumPercent(int volume);

    std::unique_ptr<MessageBoxPresenter> m_ownMessages;
    MessagePresenter &m_messages;
    QString m_settingsPath;
    OptionSettings m_options;
    QElapsedTimer m_tapClock;
    // Hands the pause and count-in of the options to the session.
    void applyLoopBreath();
    bool m_abLoopAtStart = false;
    bool m_randomAtStart = false;
    bool m_reportingLockError = false;
    bool m_loadingPlayList = false;
    QString m_openFilter;

    SkinPaintBox *PaintBox1 = nullptr;
    SkinPaintBox *PaintBox2 = nullptr;
    SkinPaintBox *PaintBox3 = nullptr;
    PlayListBox *ListBoxPlayList = nullptr;
    QLineEdit *EditSecond = nullptr;
    QLineEdit *EditTotal = nullptr;
    QLineEdit *EditSpeed = nullptr;
    QLineEdit *EditPitch = nullptr;

    std::unique_ptr<TLxPlayer> m_player;
    std::unique_ptr<quillmere::engine::VolumeWatcher> m_volume;
    std::unique_ptr<PracticeSession> m_session;
    std::unique_ptr<TLxButtonMng> m_buttons;
    std::unique_ptr<TLxSliderMng> m_sliders;
    std::unique_ptr<FileIntake> m_intake;
    std::unique_ptr<TPlayPropertyDlg> m_propertyDlg;
    std::unique_ptr<TToolDlg> m_toolDlg;
    QMenu *m_popupMenu = nullptr;
    QAction *PopupProperty = nullptr;
    QAction *PopupDelete = nullptr;
    QAction *PopupUp = nullptr;
    QAction *PopupDown = nullptr;
    QMenu *m_sectionMenu = nullptr;
    QAction *PopupSpeedTrainer = nullptr;
    int m_menuSection = -1; // the section the section bar's menu was opened for
    // Last, so that it goes first: its CD streams live in the player's back end.
    std::unique_ptr<TRecordDlg> m_recordDlg;
};

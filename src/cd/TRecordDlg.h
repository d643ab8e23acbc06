#pragma once

// Threads: UI thread, except the play streams' end listeners, which run on the back end's
// event thread and only post OnTrackEnd to the UI thread.

#include "audio/cd/CdDrives.h"
#include "skinwidgets/SkinPaintBox.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class MessagePresenter;
class QComboBox;
class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class TCDPropertyDlg;
class TLxButtonMng;
class TLxMutex;
class TLxSliderMng;
class CdGuideLine;

namespace quillmere::audio {
class AudioBackend;
class CdPlayStream;
} // namespace quillmere::audio

// The audio-CD dialog: drives and disc images, the disc's track list with recording names,
// play runs through the CD streams and recording of the checked tracks to WAV files.
// Borderless and skinned; created once, shown modally by the main window.
class TRecordDlg : public QDialog {
public:
    struct Services {
        quillmere::audio::AudioBackend &backend;
        MessagePresenter &messages;
        TLxMutex &recordMutex;
        std::function<int()> getVolume; // system volume 0..100, -1 unknown
        std::function<bool(int)> setVolume;
        std::function<void(const QString &)> addToPlayList; // a finished file, with AutoEnter
        std::function<void()> showHelp;
    };

    // Throws SkinFileError when a skin image is missing.
    TRecordDlg(Services services, QWidget *parent = nullptr);
    ~TRecordDlg() override;

    // The drives and disc images, looked for at the first call (and again while there are
    // none), never when the dialog is built.
    bool hasDrives();
    void SetRecordingOptions(const QString &folder, bool inhibitOverwrite, bool autoEnter);

    TLxButtonMng &ButtonMng() const { return *m_buttons; }
    TLxSliderMng &SliderMng() const { return *m_sliders; }
    TCDPropertyDlg &PropertyDlg() const { return *m_propertyDlg; }
    SkinPaintBox::Hint ShowHintHandler(QPoint pos) const;
    bool isRecording() const { return m_recording; }

    SkinPaintBox *PaintBoxRecord = nullptr;
    CdGuideLine *Label1 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QComboBox *cmbDrives = nullptr;
    QLabel *Panel1 = nullptr;
    QMenu *PopupMenuCDList = nullptr;
    QTimer Timer1; // guide scrolling and volume follow-up
    QTimer Timer2; // position display and disc watch

    int CurrentDrive = 0;
    std::array<std::unique_ptr<quillmere::audio::CdPlayStream>, quillmere::audio::MaxCdDrives>
        DriveStreams;
    int RunStartTrack = -1;
    bool StopRequested = false;
    QString RecordFolder;
    bool InhibitOverwrite = false;
    bool AutoEnter = false;
    bool Dragging = false;
    QPoint DragStart;

    void FormShow();
    void FormPaint();
    void UpdateTrackList();
    void PlayTrack(int drive, int track);
    void OnTrackEnd(int drive, int track); // on the UI thread, posted by the end listener
    void TogglePlayback(bool fromList);
    void StopCdPlayback();
    void CheckAllTracks(bool on);
    void EditTrackFileName();
    void DispGuide(const QString &text);
    void PrepareClose();
    bool WriteTrack(int drive, int track);
    void Timer1Timer();
    void Timer2Timer();
    void PaintBoxRecordMouseDown(QPoint pos);
    void PaintBoxRecordMouseMove(QPoint pos);
    void PaintBoxRecordMouseUp(QPoint pos);
    void cmbDrivesChange();

    QString rowFileName(int row) const;

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override; // Escape and the window manager's close stop like "BUTTON_RETURN"

private:
    void createChildren();
    void createSkin();
    void runRecording();
    void stopRecording();
    void setRunControlsEnabled(bool enabled);
    void setButtonEnabled(QStringView name, bool enabled);
    void setToggle(QStringView name, bool on);
    void selectRow(int row);
    int selectedRow() const;
    void onButtonReleased(QStringView name);
    quillmere::audio::CdPlayStream *currentStream() const;

    Services m_services;
    std::vector<quillmere::audio::CdDrive> m_drives;
    std::unique_ptr<TLxButtonMng> m_buttons;
    std::unique_ptr<TLxSliderMng> m_sliders;
    std::unique_ptr<TCDPropertyDlg> m_propertyDlg;
    bool m_recording = false;
    bool m_closing = false;    // PrepareClose ran: a run ending now must not restart timers
    int m_repairedSectors = 0; // in the current run
};

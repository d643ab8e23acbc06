#pragma once

// The options dialog. UI thread only. The main window fills its controls before showing it
// and reads them back after OK; the recording folder chosen with "参照..." takes effect at
// once, even when the dialog is then cancelled.

#include "common/MessagePresenter.h"
#include "options/ClassRegistry.h"

#include <QDialog>

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;

class TToolDlg : public QDialog {
public:
    static constexpr int PluginRows = 6;

    // pluginFormats: the engine's "NAME (MASK)" lines; the first six caption the plug-in rows
    // of the association page. messages must outlive the dialog.
    TToolDlg(const QStringList &pluginFormats, std::unique_ptr<ClassRegistry> registry,
             MessagePresenter &messages, QWidget *parent = nullptr);
    ~TToolDlg() override;

    // The recording folder, ending with a separator: set by the main window before showing,
    // changed by Button1Click at once.
    QString RecordingDir;

    QTabWidget *PageControl1 = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

    // Page "再生".
    QSlider *TrackBarMinSpeed = nullptr;
    QSlider *TrackBarMaxSpeed = nullptr;
    QSlider *TrackBarSpeed = nullptr;
    QSlider *TrackBarPitch = nullptr;
    QSlider *TrackBarSleepTimer = nullptr;
    QLineEdit *EditSpeedMin = nullptr;
    QLineEdit *EditSpeedMax = nullptr;
    QLineEdit *EditSpeed = nullptr;
    QLineEdit *EditPitch = nullptr;
    QLineEdit *EditSleepTimer = nullptr;
    QCheckBox *CheckSpecPeaks = nullptr;
    QSlider *TrackBarBreath = nullptr; // tenths of a second
    QLineEdit *EditBreath = nullptr;
    QSpinBox *SpinCountIn = nullptr;

    // Page "録音".
    QLineEdit *EditSaveDir = nullptr;
    QPushButton *Button1 = nullptr;
    QCheckBox *CheckBoxInhibitOverWrite = nullptr;
    QCheckBox *CheckBoxAutoEnter = nullptr;

    // Page "ファイル関連付け": six built-in rows, then the plug-in rows.
    struct AssociationRow {
        QCheckBox *box = nullptr;
        QLabel *label = nullptr;
    };
    std::vector<AssociationRow> AssociationRows;
    QPushButton *ButtonRegist = nullptr;

    void Button1Click();
    void RefreshAssociations();
    void ButtonRegistClick();
    void ShowAssociationState(QCheckBox *box, const QString &caption);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *createPlayPage();
    QLayout *createBreathGroup();
    QWidget *createRecordPage();
    QWidget *createAssociationPage(const QStringList &pluginFormats);
    QSlider *addTrackBar(class QGridLayout *grid, int row, int min, int max, QLineEdit *&field,
                         const QString &unit);

    std::unique_ptr<ClassRegistry> m_registry;
    MessagePresenter &m_messages;
};

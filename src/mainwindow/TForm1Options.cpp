// TForm1: the options dialog ("BUTTON_TOOL") and the settings it hands back.
#include "common/IniFile.h"
#include "common/OptionRanges.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/TForm1.h"
#include "options/GioClassRegistry.h"
#include "options/TToolDlg.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSlider.h"
#include "skin/TLxSliderMng.h"
#include "skin/TLxToggleButton.h"
#include "skin/TSpectrum.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace {
// The spectrum's peak marks after the options are confirmed (light blue).
const QColor ConfirmedPeakColor(0xA6, 0xCA, 0xF0);
} // namespace

void TForm1::createToolDialog()
{
    // After the engine has loaded its plug-ins: their formats caption the association page.
    m_toolDlg = std::make_unique<TToolDlg>(m_player->PluginFormats,
                                           std::make_unique<GioClassRegistry>(), m_messages);
}

void TForm1::fillToolDialog()
{
    TToolDlg &dlg = *m_toolDlg;
    dlg.TrackBarSpeed->setValue(m_options.DeltaOfSpeed);
    dlg.TrackBarPitch->setValue(m_options.DeltaOfPitch);
    dlg.CheckSpecPeaks->setChecked(m_options.ShowOfPeaks);
    dlg.TrackBarMinSpeed->setValue(MinOfSpeed + OptionRanges::MinSpeedTrackOffset);
    dlg.TrackBarMaxSpeed->setValue(MaxOfSpeed);
    dlg.RecordingDir = m_options.RecordingDir;
    dlg.EditSaveDir->setText(m_options.RecordingDir);
    dlg.CheckBoxInhibitOverWrite->setChecked(m_options.InhibitOverWriteRecord);
    dlg.CheckBoxAutoEnter->setChecked(m_options.AutoEnterToLibrary);
    dlg.TrackBarSleepTimer->setValue(m_options.PlayTimer);
    dlg.TrackBarBreath->setValue(m_options.BreathOfRepeat);
    dlg.SpinCountIn->setValue(m_options.CountInClicks);
}

void TForm1::takeToolDialog()
{
    const TToolDlg &dlg = *m_toolDlg;
    m_options.DeltaOfSpeed = dlg.TrackBarSpeed->value();
    m_options.DeltaOfPitch = dlg.TrackBarPitch->value();
    MinOfSpeed = dlg.TrackBarMinSpeed->value() - OptionRanges::MinSpeedTrackOffset;
    MaxOfSpeed = dlg.TrackBarMaxSpeed->value();
    if (TLxSlider *speed = m_sliders->Find(QStringLiteral("SLIDER_SPEED"))) {
        speed->SetRange(MinOfSpeed, MaxOfSpeed);
        m_session->SetSpeedRange(MinOfSpeed, MaxOfSpeed);
        const int before = m_session->Speed();
        if (std::clamp(before, MinOfSpeed, std::max(MinOfSpeed, MaxOfSpeed)) != before)
            m_session->SetSpeed(before); // into the new range
        // The thumb moves even for a value still in range: the track now spans another range.
        showSpeed(m_session->Speed());
    }
    m_options.ShowOfPeaks = dlg.CheckSpecPeaks->isChecked();
    if (TSpectrum *spectrum = m_player->Spectrum()) {
        spectrum->ShowPeaks = m_options.ShowOfPeaks;
        spectrum->PeakColor = ConfirmedPeakColor;
    }
    m_options.RecordingDir = dlg.EditSaveDir->text();
    m_options.InhibitOverWriteRecord = dlg.CheckBoxInhibitOverWrite->isChecked();
    m_options.AutoEnterToLibrary = dlg.CheckBoxAutoEnter->isChecked();
    m_options.PlayTimer = dlg.TrackBarSleepTimer->value();
    m_options.BreathOfRepeat = dlg.TrackBarBreath->value();
    m_options.CountInClicks = dlg.SpinCountIn->value();
    applyLoopBreath();
    m_session->SetShowPeaks(m_options.ShowOfPeaks);
    m_session->SetPlayLimit(m_options.PlayTimer);
    update();
}

void TForm1::saveOptionSection()
{
    // Only [Option]: the other sections are written by their owners at their own times.
    // A failed write keeps the old file; the exit writes the section again.
    quillmere::IniFile ini = quillmere::IniFile::load(m_settingsPath);
    m_options.writeTo(ini);
    ini.writeInteger(u"Option", u"MinOfSpeed", MinOfSpeed);
    ini.writeInteger(u"Option", u"MaxOfSpeed", MaxOfSpeed);
    ini.save(m_settingsPath);
}

void TForm1::ShowToolDialog()
{
    fillToolDialog();
    const bool confirmed = m_toolDlg->exec() == QDialog::Accepted;
    // A folder chosen with "参照..." is in effect even after cancel.
    m_options.RecordingDir = m_toolDlg->RecordingDir;
    if (confirmed) {
        takeToolDialog();
        saveOptionSection();
    }
}

void TForm1::TapCountInTempo()
{
    if (!m_tapClock.isValid())
        m_tapClock.start();
    if (m_session->TapTempo(m_tapClock.elapsed()))
        m_options.CountInBeatMs = m_session->CountInBeatMs();
}

void TForm1::applyLoopBreath()
{
    m_session->SetLoopBreath(m_options.BreathOfRepeat * 100, m_options.CountInClicks,
                             m_options.CountInBeatMs);
}

void TForm1::showCountInTempo()
{
    // The tempo goes with the A-B repeat button's hint, where a user looks for what repeats
    // do; it stays out of the way until a count-in is in use or a tempo was tapped.
    TLxButton *loop = m_buttons->Find(u"BUTTON_LOOP");
    if (!loop || !loop->IsToggle())
        return;
    auto *toggle = static_cast<TLxToggleButton *>(loop);
    for (QString *hint : {&loop->Hint, &toggle->OnHint}) {
        const qsizetype cut = hint->indexOf(u'（');
        if (cut >= 0)
            hint->truncate(cut);
    }
    if (!m_session->CountInShown())
        return;
    const QString tempo =
        QStringLiteral("（カウント ♩=%1）").arg(std::lround(60000.0 / m_session->CountInBeatMs()));
    loop->Hint += tempo;
    toggle->OnHint += tempo;
}

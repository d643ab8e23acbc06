// TForm1: the mouse over the skin surface, the hints, auto-repeat, the keyboard and the
// command of every button.
#include "engine/TLxPlayer.h"
#include "engine/VolumeWatcher.h"
#include "mainwindow/FileIntake.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/TForm1.h"
#include "playlist/PlayListFile.h"
#include "skin/SkinLayout.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"
#include "skin/TLxToggleButton.h"
#include "skinwidgets/DesktopWindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

namespace {

const QString Play = QStringLiteral("BUTTON_PLAY");
const QString SpeedSlider = QStringLiteral("SLIDER_SPEED");
const QString PitchSlider = QStringLiteral("SLIDER_PITCH");
const QString PositionSlider = QStringLiteral("SLIDER_PLAY");
const QString EqSliders[] = {
    QStringLiteral("SLIDER_EQ_250"),  QStringLiteral("SLIDER_EQ_500"),
    QStringLiteral("SLIDER_EQ_1000"), QStringLiteral("SLIDER_EQ_2000"),
    QStringLiteral("SLIDER_EQ_4000"), QStringLiteral("SLIDER_EQ_8000"),
};

// " +25", " 0", " -10": a sign only where the number has none of its own.
QString signedText(int value)
{
    return (value >= 1 ? QStringLiteral(" +") : QStringLiteral(" ")) + QString::number(value);
}

// The dialogs take filters one per line; ours are kept as "name|pattern|name|pattern".
QString qtFilter(const QString &pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') +
                       u')';
    return filters.join(QStringLiteral(";;"));
}

} // namespace

void TForm1::PaintBox1MouseDown(QPoint pos, Qt::KeyboardModifiers)
{
    const TLxMutexLocker locked(PlayMutex);
    RepeatButtonName.clear();
    TimerRepeat.stop();
    const int pressed = m_buttons->PressAt(pos.x(), pos.y());
    if (pressed > 0) {
        const TLxButton *button = m_buttons->Button(pressed - 1);
        if (button->AutoRepeat) {
            RepeatButtonName = button->Name;
            TimerRepeat.start(500);
        }
    } else if (m_sliders->PressAt(pos.x(), pos.y()) == 0 &&
               !DesktopWindow::startSystemMove(*this)) {
        WindowDragging = true;
        DragStart = pos;
    }
    const TLxSlider *dragged = m_sliders->DragTo(pos.x(), pos.y(), true);
    if (dragged && dragged->Name == PositionSlider)
        PositionDragging = true;
    PaintBox1->canvasChanged();
}

void TForm1::PaintBox1MouseMove(QPoint pos)
{
    const TLxMutexLocker locked(PlayMutex);
    if (WindowDragging) {
        move(x() + pos.x() - DragStart.x(), y() + pos.y() - DragStart.y());
        return;
    }
    const TLxSlider *dragged = m_sliders->DragTo(pos.x(), pos.y(), false);
    if (!dragged)
        return;
    if (dragged->Name == PositionSlider)
        PositionDragging = true; // the position timer makes the jump
    else
        sliderChanged(dragged->Name);
    PaintBox1->canvasChanged();
}

void TForm1::PaintBox1MouseUp(QPoint, Qt::KeyboardModifiers modifiers)
{
    const TLxMutexLocker locked(PlayMutex);
    RepeatButtonName.clear();
    TimerRepeat.stop();
    WindowDragging = false;
    // The button pressed at mouse down fires wherever the mouse is released.
    if (const TLxButton *released = m_buttons->Release()) {
        PaintBox1->canvasChanged();
        RunCommand(released->Name, modifiers);
    }
    if (const TLxSlider *slider = m_sliders->Release()) {
        if (slider->Name == PositionSlider)
            PositionDragging = false;
        else
            sliderChanged(slider->Name);
    }
    PaintBox1->canvasChanged();
}

void TForm1::sliderChanged(const QString &name)
{
    const int value = sliderValue(name);
    if (name == u"SLIDER_PAN")
        m_player->SetPan(value);
    else if (name == SpeedSlider)
        ApplySpeedSlider();
    else if (name == PitchSlider)
        ApplyPitchSlider();
    else if (name == u"SLIDER_VOLUME")
        m_volume->SetVolume(value);
    else if (name == u"SLIDER_REVERB")
        m_player->SetReverb(value);
    for (int band = 0; band < PlayerSettings::Bands; ++band) {
        if (name == EqSliders[band])
            m_player->SetEqualizerBand(band + 1, value);
    }
    if (name != u"SLIDER_PLAY")
        SettingsSaveTimer.start();
}

void TForm1::TimerRepeatTimer()
{
    const TLxMutexLocker locked(PlayMutex);
    TimerRepeat.setInterval(100);
    if (RepeatButtonName.isEmpty() || !m_buttons->Find(RepeatButtonName))
        return;
    // Only repeat buttons get here; each tick runs the command the release runs once more.
    RunCommand(RepeatButtonName, {});
}

SkinPaintBox::Hint TForm1::ShowHintHandler(QPoint pos) const
{
    SkinPaintBox::Hint hint;
    if (const TLxButton *button = m_buttons->ButtonAt(pos.x(), pos.y())) {
        const auto *toggle =
            button->IsToggle() ? static_cast<const TLxToggleButton *>(button) : nullptr;
        hint.text = toggle && toggle->IsOn() ? toggle->OnHint : button->Hint;
        hint.area = button->GetImageRect().area();
    }
    // A slider under the mouse wins over a button.
    if (const TLxSlider *slider = m_sliders->SliderAt(pos.x(), pos.y())) {
        hint.text = slider->Hint + QStringLiteral(" = ") + QString::number(slider->GetValue());
        hint.area = QRect(slider->ThumbPos(), SkinLayout::ThumbSize);
    }
    return hint;
}

void TForm1::keyPressEvent(QKeyEvent *event)
{
    // Space and the media keys act as the buttons would, played through press and release so
    // that two-state buttons flip exactly as under the mouse.
    QString name;
    switch (event->key()) {
    case Qt::Key_T:
        // Ctrl+T and the like are other commands' shortcuts.
        if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
            TapCountInTempo();
        else
            QWidget::keyPressEvent(event);
        return;
    case Qt::Key_Space:
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaPause:
        name = Play;
        break;
    case Qt::Key_MediaStop:
        name = QStringLiteral("BUTTON_STOP");
        break;
    case Qt::Key_MediaNext:
        name = QStringLiteral("BUTTON_PLAY_NEXT");
        break;
    case Qt::Key_MediaPrevious:
        name = QStringLiteral("BUTTON_PLAY_BACK");
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    const TLxButton *button = m_buttons->Find(name);
    if (!button || !button->Enabled())
        return;
    const QPoint at(button->CenterX(), button->CenterY());
    runHandler([&] {
        PaintBox1MouseDown(at, event->modifiers());
        PaintBox1MouseUp(at, event->modifiers());
    });
}

void TForm1::ApplySpeedSlider()
{
    const int value = sliderValue(SpeedSlider);
    EditSpeed->setText(signedText(value) + u'%');
    m_player->SetSpeed(value);
}

void TForm1::ApplyPitchSlider()
{
    const int value = sliderValue(PitchSlider);
    EditPitch->setText(signedText(value));
    m_player->SetPitch(value);
}

void TForm1::stepSpeed(int delta)
{
    setSliderValue(SpeedSlider, std::clamp(sliderValue(SpeedSlider) + delta, MinOfSpeed,
                                           std::max(MinOfSpeed, MaxOfSpeed)));
    ApplySpeedSlider();
}

void TForm1::stepPitch(int delta)
{
    setSliderValue(PitchSlider, std::clamp(sliderValue(PitchSlider) + delta, -24, 24));
    ApplyPitchSlider();
}

void TForm1::resetEqualizer()
{
    for (int band = 0; band < PlayerSettings::Bands; ++band) {
        setSliderValue(EqSliders[band], 0);
        m_player->SetEqualizerBand(band + 1, 0);
    }
}

void TForm1::playButtonSteps()
{
    const int line = ListBoxPlayList->itemIndex();
    const bool one = ListBoxPlayList->selectedCount() == 1 && line >= 0;
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    const auto playLine = [&] {
        mng.SetCurrentIndex(line);
        mng.ResetPlayed(line);
        QString name;
        if (mng.GetCurrentFileName(name))
            PlayFile(name);
    };
    if (one && m_player->IsPaused() && line == mng.GetCurrentIndex()) {
        ResumePlayback();
    } else if (one && m_player->IsPaused()) {
        SleepElapsedMs = 0;
        SleepState = 0;
        StopPlayback();
        playLine();
    } else if (one) {
        playLine();
    } else {
        information(QStringLiteral(
            "プレイリストをクリックして再生するオーディオファイルを1個選んでください。"));
        setPlayOn(false);
    }
    m_player->ClearEnded();
}

// Next and back: while playing in A-B mode they jump to the neighbouring section of the song
// first, and only past the last (or first) one to the neighbouring song.
void TForm1::skipCommand(bool forward)
{
    if (!isPlayOn()) {
        stepEntry(forward, false);
        return;
    }
    SleepElapsedMs = 0;
    SleepState = 1;
    SectionState = 0;
    const TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    const qint64 position = m_player->GetPosition();
    const qint64 a = forward ? mng.NextSectionStart(position) : mng.PrevSectionStart(position);
    if (a >= 0 && m_player->IsABLoop())
        m_player->SetPosition(a);
    else
        stepEntry(forward, true);
}

void TForm1::openFile()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QString(), QString(), qtFilter(m_openFilter));
    if (path.isEmpty())
        return;
    if (!isPlayListFile(path)) {
        ListBoxPlayList->clearSelection();
        AddPathToPlayList({path}, true,
                          [this](const FileIntakeOutcome &) { updateButtonsToPlayState(); });
    } else {
        LoadPlayListFile(path); // stops playback once the file is known to be good
    }
}

void TForm1::saveFile()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("qlx"));
    dialog.setNameFilter(
        qtFilter(QStringLiteral("プレイリストファイル (*.qlx)|*.qlx|すべてのファイル (*.*)|*.*")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const quillmere::WriteResult written =
        m_player->MusicInfoMng().SaveToFile(dialog.selectedFiles().first());
    if (!written)
        m_messages.show(written.error, MessagePresenter::Icon::Error, MessagePresenter::Ok);
}

void TForm1::RunCommand(const QString &name, Qt::KeyboardModifiers modifiers)
{
    if (!runPlaybackCommand(name) && !runSectionCommand(name, modifiers) && !runSoundCommand(name))
        runFileCommand(name);
    PaintBox1->canvasChanged();
    SettingsSaveTimer.start(); // speed, pitch, modes...
}

bool TForm1::runPlaybackCommand(const QString &name)
{
    if (name == Play) {
        SleepElapsedMs = 0;
        SleepState = 1;
        if (isPlayOn())
            playButtonSteps();
        else
            PausePlayback();
    } else if (name == u"BUTTON_STOP") {
        SectionState = 0;
        SleepElapsedMs = 0;
        SleepState = 0;
        StopPlayback();
    } else if (name == u"BUTTON_PLAY_NEXT") {
        skipCommand(true);
    } else if (name == u"BUTTON_PLAY_BACK") {
        skipCommand(false);
    } else if (name == u"BUTTON_RANDOM") {
        RandomMode = m_buttons->IsOn(name);
    } else if (name == u"BUTTON_RECORD") {
        RecordCommand();
    } else {
        return false;
    }
    return true;
}

bool TForm1::runSectionCommand(const QString &name, Qt::KeyboardModifiers modifiers)
{
    if (name == u"BUTTON_LOOP") {
        const bool on = m_buttons->IsOn(name);
        if (!on) {
            SectionState = 0;
            m_trainer.stop(); // the speed reached stays
        }
        m_player->SetABLoop(on);
        m_player->FollowSection(SectionState == 1 ? RepeatSection : -1, m_player->GetPosition());
    } else if (name == u"BUTTON_A") {
        {
            const TLxMutexLocker locked(PaintMutex);
            m_player->SetPointA(modifiers.testFlag(Qt::ShiftModifier));
        }
        SectionState = 0;
    } else if (name == u"BUTTON_B") {
        int section = -1;
        {
            const TLxMutexLocker locked(PaintMutex);
            section = m_player->SetPointB();
        }
        if (section >= 0 && m_player->IsABLoop()) {
            RepeatSection = section;
            SectionState = 1;
        }
    } else if (name == u"BUTTON_DEL_AB" || name == u"BUTTON_DEL_AB_ALL") {
        {
            const TLxMutexLocker locked(PaintMutex);
            m_player->DeleteSection(name == u"BUTTON_DEL_AB_ALL");
        }
        SectionState = 0;
        m_player->FollowSection(-1, m_player->GetPosition()); // a deleted section must not wrap
    } else {
        return false;
    }
    return true;
}

bool TForm1::runSoundCommand(const QString &name)
{
    if (name == u"BUTTON_SPEEDUP") {
        stepSpeed(m_options.DeltaOfSpeed);
    } else if (name == u"BUTTON_SPEEDDOWN") {
        stepSpeed(-m_options.DeltaOfSpeed);
    } else if (name == u"BUTTON_SPEED_0") {
        setSliderValue(SpeedSlider, 0);
        ApplySpeedSlider();
    } else if (name == u"BUTTON_PITCHUP") {
        stepPitch(m_options.DeltaOfPitch);
    } else if (name == u"BUTTON_PITCHDOWN") {
        stepPitch(-m_options.DeltaOfPitch);
    } else if (name == u"BUTTON_PITCH_0") {
        setSliderValue(PitchSlider, 0);
        ApplyPitchSlider();
    } else if (name == u"BUTTON_PAN_0") {
        setSliderValue(QStringLiteral("SLIDER_PAN"), 0);
        m_player->SetPan(0);
    } else if (name == u"BUTTON_REVERB_0") {
        setSliderValue(QStringLiteral("SLIDER_REVERB"), 0);
        m_player->SetReverb(0);
    } else if (name == u"BUTTON_EQ_0") {
        resetEqualizer();
    } else {
        return false;
    }
    return true;
}

void TForm1::runFileCommand(const QString &name)
{
    if (name == u"BUTTON_DEL_FILE")
        DeleteSelectedEntries();
    else if (name == u"BUTTON_LISTUP" || name == u"BUTTON_LISTDOWN")
        MoveSelectedEntries(name);
    else if (name == u"BUTTON_OPENFILE")
        openFile();
    else if (name == u"BUTTON_SAVEFILE")
        saveFile();
    else if (name == u"BUTTON_HELP")
        m_player->ShowHelp();
    else if (name == u"BUTTON_POWER")
        close();
    else if (name == u"BUTTON_WRITE")
        ShowEntryProperties();
    else if (name == u"BUTTON_TOOL")
        ShowToolDialog();
}

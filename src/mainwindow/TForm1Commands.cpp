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
        m_session->SetPan(value);
    else if (name == SpeedSlider)
        ApplySpeedSlider();
    else if (name == PitchSlider)
        ApplyPitchSlider();
    else if (name == u"SLIDER_VOLUME")
        m_session->SetVolume(value);
    else if (name == u"SLIDER_REVERB")
        m_session->SetReverb(value);
    for (int band = 0; band < PlayerSettings::Bands; ++band) {
        if (name == EqSliders[band])
            m_session->SetEqualizerBand(band, value);
    }
    if (name != u"SLIDER_PLAY")
        SettingsSaveTimer.start();
}

void TForm1::TimerRepeatTimer()
{
    const TLxMutexLocker locked(PlayMutex);
    TimerRepeat.setInterval(100);
    if (RepeatButtonName.isEmpty() || !m_buttons->Find(RepeatButtonName)) {
        TimerRepeat.stop();
        return;
    }
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
    m_session->SetSpeed(sliderValue(SpeedSlider));
}

void TForm1::ApplyPitchSlider()
{
    m_session->SetPitch(sliderValue(PitchSlider));
}

void TForm1::showSpeed(int percent)
{
    setSliderValue(SpeedSlider, percent);
    EditSpeed->setText(signedText(percent) + u'%');
}

void TForm1::showPitch(int semitones)
{
    setSliderValue(PitchSlider, semitones);
    EditPitch->setText(signedText(semitones));
}

void TForm1::stepSpeed(int delta)
{
    m_session->SetSpeed(m_session->Speed() + delta);
}

void TForm1::stepPitch(int delta)
{
    m_session->SetPitch(m_session->Pitch() + delta);
}

void TForm1::playButtonSteps()
{
    const int line = ListBoxPlayList->itemIndex();
    if (ListBoxPlayList->selectedCount() == 1 && line >= 0) {
        m_session->PlayLine(line);
        return;
    }
    information(QStringLiteral(
        "プレイリストをクリックして再生するオーディオファイルを1個選んでください。"));
    setPlayOn(false);
    m_player->ClearEnded();
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
        m_session->ResetPlayLimit(PracticeSession::PlayLimit::Counting);
        if (isPlayOn())
            playButtonSteps();
        else
            PausePlayback();
    } else if (name == u"BUTTON_STOP") {
        m_session->ForgetRepeatSection();
        m_session->ResetPlayLimit(PracticeSession::PlayLimit::Off);
        StopPlayback();
    } else if (name == u"BUTTON_PLAY_NEXT") {
        m_session->Skip(true);
    } else if (name == u"BUTTON_PLAY_BACK") {
        m_session->Skip(false);
    } else if (name == u"BUTTON_RANDOM") {
        m_session->SetRandom(m_buttons->IsOn(name));
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
        m_session->SetABLoop(m_buttons->IsOn(name));
    } else if (name == u"BUTTON_A") {
        const TLxMutexLocker locked(PaintMutex);
        m_session->SetPointA(modifiers.testFlag(Qt::ShiftModifier));
    } else if (name == u"BUTTON_B") {
        const TLxMutexLocker locked(PaintMutex);
        m_session->SetPointB();
    } else if (name == u"BUTTON_DEL_AB" || name == u"BUTTON_DEL_AB_ALL") {
        const TLxMutexLocker locked(PaintMutex);
        m_session->DeleteSection(name == u"BUTTON_DEL_AB_ALL");
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
        m_session->SetSpeed(0);
    } else if (name == u"BUTTON_PITCHUP") {
        stepPitch(m_options.DeltaOfPitch);
    } else if (name == u"BUTTON_PITCHDOWN") {
        stepPitch(-m_options.DeltaOfPitch);
    } else if (name == u"BUTTON_PITCH_0") {
        m_session->SetPitch(0);
    } else if (name == u"BUTTON_PAN_0") {
        m_session->SetPan(0);
    } else if (name == u"BUTTON_REVERB_0") {
        m_session->SetReverb(0);
    } else if (name == u"BUTTON_EQ_0") {
        m_session->ResetEqualizer();
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

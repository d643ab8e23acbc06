// TForm1: the window's side of playback: the clock's and the spectrum's timers, and the
// controls that show what the practice session announces. UI thread only.
#include "engine/TLxPlayer.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"

#include <QLineEdit>
#include <QWindow>

#include <optional>

namespace {
const QString PositionSlider = QStringLiteral("SLIDER_PLAY");
const QString Zero = QStringLiteral("00:00");
} // namespace

void TForm1::Timer1Timer()
{
    const TLxMutexLocker locked(PlayMutex);
    m_session->Tick(PositionDragging ? std::optional<qint64>(positionSliderValue()) : std::nullopt);
}

void TForm1::TimerSpecTimer()
{
    const TLxMutexLocker locked(PlayMutex);
    try {
        // The volume slider follows the session's announcements; the spectrum's height
        // follows the volume here.
        if (!PositionDragging) {
            const int volume = m_session->Volume();
            if (volume != LastVolume) {
                m_player->SetSpectrumScale(PaintBox2, spectrumPercent(volume));
                LastVolume = volume;
            }
        }
        // A window no one can see (hidden, minimised, unmapped) is not drawn, and its
        // spectrum not computed.
        if (const QWindow *shown = windowHandle(); shown && shown->isExposed() && !isMinimized())
            m_player->DrawSpectrum(PaintBox2);
    } catch (const std::exception &) {
        systemError(4608);
    }
}

void TForm1::PlayEnd()
{
    m_session->PlayEnd();
}

bool TForm1::PlayFile(const QString &path)
{
    return m_session->PlayFile(path);
}

void TForm1::showSongStarted(qint64 length)
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    SelectOnly(mng.GetCurrentIndex());
    mng.DrawPosition(0);
    TLxSlider *position = m_sliders->Find(PositionSlider);
    position->SetRange(0, length);
    EditTotal->setText(TLxPlayer::FormatTime(length));
    position->SetValue(0);
    PaintBox1->canvasChanged();
    setPlayOn(true);
    updateButtons(2, true);
}

void TForm1::showTransport(PracticeSession::Transport transport)
{
    switch (transport) {
    case PracticeSession::Transport::Playing:
        TimerSpec.start();
        setPlayOn(true);
        updateButtons(3, true);
        break;
    case PracticeSession::Transport::Paused:
        // Paused, nothing moves: the spectrum's timer rests with the clock.
        TimerSpec.stop();
        updateButtons(4, false);
        setPlayOn(false);
        break;
    case PracticeSession::Transport::Stopped:
        // The spectrum timer reads the engine on this thread only, so stopping it is enough.
        TimerSpec.stop();
        EditSecond->setText(Zero);
        EditTotal->setText(Zero);
        updateButtons(1, false);
        setPlayOn(false);
        setSliderValue(PositionSlider, 0);
        break;
    }
}

void TForm1::showPosition(qint64 bytes)
{
    // A tick that changed nothing draws nothing.
    const QString text = TLxPlayer::FormatTime(bytes);
    if (EditSecond->text() != text)
        EditSecond->setText(text);
    setSliderValue(PositionSlider, bytes);
    m_player->MusicInfoMng().DrawPosition(bytes);
}

void TForm1::removeUnplayableEntry(const QString &path)
{
    // The error box ran an event loop: a click, the autosave or a second copy's paths may
    // have moved the selection and the current line meanwhile. The path names the entry.
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    const int index = mng.IndexOf(path);
    if (index >= 0) {
        // The drive may only be away for now: the backup keeps the entry and its sections.
        mng.SaveDefaultPlayListBackup();
        SelectOnly(index);
        DeleteSelectedEntries();
    }
    SelectOnly(mng.GetCurrentIndex());
}

void TForm1::StopPlayback()
{
    m_session->Stop();
}

void TForm1::PausePlayback()
{
    m_session->Pause();
}

void TForm1::ResumePlayback()
{
    m_session->Resume();
}

void TForm1::PlayNextEntry(bool play)
{
    m_session->StepEntry(true, play);
}

void TForm1::PlayPreviousEntry(bool play)
{
    m_session->StepEntry(false, play);
}

void TForm1::SelectOnly(int index)
{
    ListBoxPlayList->clearSelection();
    if (index >= 0)
        m_player->MusicInfoMng().SelectLine(index);
}

void TForm1::systemError(int code, const QString &detail)
{
    m_messages.show(QStringLiteral("System Error:CODE[%1]").arg(code) + detail,
                    MessagePresenter::Icon::Information, MessagePresenter::Ok);
}

void TForm1::information(const QString &text)
{
    m_messages.show(text, MessagePresenter::Icon::Information, MessagePresenter::Ok);
}

void TForm1::updateButtonsToPlayState()
{
    if (m_player->IsPlaying())
        updateButtons(3, true);
    else if (m_player->IsPaused())
        updateButtons(4, false);
    else
        updateButtons(1, false);
}

void TForm1::updateButtons(int mode, bool keepAB)
{
    m_buttons->UpdateButtonStates(mode, m_player->MusicInfoMng().GetCount(), keepAB);
    m_buttons->DrawAll();
    PaintBox1->canvasChanged();
}

bool TForm1::isPlayOn() const
{
    return m_buttons->IsOn(QStringLiteral("BUTTON_PLAY"));
}

void TForm1::setPlayOn(bool on)
{
    if (isPlayOn() != on) {
        m_buttons->Toggle(QStringLiteral("BUTTON_PLAY"));
        m_buttons->DrawAll();
        PaintBox1->canvasChanged();
    }
}

void TForm1::setSliderValue(const QString &name, qint64 value)
{
    // The slider shows only a thumb that moved, and only where it was and is: most position
    // ticks move it by no pixel.
    if (TLxSlider *slider = m_sliders->Find(name))
        slider->SetValue(value);
}

int TForm1::sliderValue(const QString &name) const
{
    const TLxSlider *slider = m_sliders->Find(name);
    return slider ? int(slider->GetValue()) : 0;
}

qint64 TForm1::positionSliderValue() const
{
    const TLxSlider *slider = m_sliders->Find(PositionSlider);
    return slider ? slider->GetValue() : 0;
}

QString TForm1::SpeedText() const
{
    return EditSpeed->text();
}

QString TForm1::PitchText() const
{
    return EditPitch->text();
}

QString TForm1::PositionText() const
{
    return EditSecond->text();
}

QString TForm1::TotalText() const
{
    return EditTotal->text();
}

// TForm1: playback of the play list, the position and spectrum timers, A-B repeat and the
// continuous-play limit. UI thread only: the end of a song reaches us as the engine's ended
// flag, which Timer1 polls, and what plays next is decided here, never on an audio thread.
#include "engine/TLxPlayer.h"
#include "engine/VolumeWatcher.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"

#include <QLineEdit>

#include <algorithm>
#include <array>

namespace {
const QString PositionSlider = QStringLiteral("SLIDER_PLAY");
const QString Zero = QStringLiteral("00:00");
} // namespace

void TForm1::Timer1Timer()
{
    const TLxMutexLocker locked(PlayMutex);
    if (SleepState == 1 && m_options.PlayTimer != 0) {
        SleepElapsedMs += Timer1.interval();
        if (SleepElapsedMs / 60000 >= m_options.PlayTimer * 10) {
            SleepState = 2;
            postPlayEnd();
        }
    }
    try {
        if (!m_player->IsPlaying()) {
            if (m_player->IsEnded()) {
                m_player->ClearEnded();
                postPlayEnd();
            }
            return;
        }
        if (PositionDragging) {
            SectionState = 0;
            m_player->SetPosition(positionSliderValue());
        }
        const qint64 pos = m_player->GetPosition();
        qint64 followFrom = pos;
        EditSecond->setText(TLxPlayer::FormatTime(pos));
        setSliderValue(PositionSlider, pos);
        m_player->DrawPosition();
        // The stream repeats the section itself; the jump back from past B is left for when
        // the stream could not (the position got past B before the range was set).
        if (m_player->IsABLoop()) {
            const TLxMusicInfoMng &mng = m_player->MusicInfoMng();
            if (SectionState == 0) {
                RepeatSection = mng.FindSection(pos);
                if (RepeatSection >= 0)
                    SectionState = 1;
            } else {
                const qint64 restart = mng.SectionRestartPos(RepeatSection, pos);
                if (restart >= 0) {
                    SectionState = 0;
                    m_player->SetPosition(restart);
                    followFrom = restart; // the range made ready for the jump must stay
                }
            }
        }
        const int looped = m_player->IsABLoop() && SectionState == 1 ? RepeatSection : -1;
        if (const std::optional<int> speed =
                m_trainer.follow(m_player->MusicInfoMng(), looped, pos, PositionDragging))
            setTrainerSpeed(*speed);
        m_player->FollowSection(SectionState == 1 ? RepeatSection : -1, followFrom);
    } catch (const std::exception &e) {
        systemError(4607, QString::fromLocal8Bit(e.what()));
    }
}

void TForm1::TimerSpecTimer()
{
    const TLxMutexLocker locked(PlayMutex);
    try {
        if (m_player->TakeOutputLoss()) {
            StopPlayback(); // stops this timer too, so the message is shown once
            information(QStringLiteral("サウンドデバイスが使えなくなったため再生を停止しました。"));
            return;
        }
        if (!PositionDragging) {
            const int volume = m_volume->GetVolume();
            if (volume != LastVolume) {
                if (volume >= 0)
                    setSliderValue(QStringLiteral("SLIDER_VOLUME"), volume);
                m_player->SetSpectrumScale(PaintBox2, spectrumPercent(volume));
                LastVolume = volume;
            }
        }
        m_player->DrawSpectrum(PaintBox2);
    } catch (const std::exception &) {
        systemError(4608);
    }
}

void TForm1::postPlayEnd()
{
    // Posted, not called: what plays next is decided after the timer handler has finished.
    QMetaObject::invokeMethod(
        this, [this] { PlayEnd(); }, Qt::QueuedConnection);
}

void TForm1::PlayEnd()
{
    m_player->ClearEnded();
    if (SleepState == 2) {
        SleepElapsedMs = 0;
        SleepState = 0;
        StopPlayback();
        information(QStringLiteral("連続再生タイマー経過: 再生停止します。"));
        return;
    }
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    if (mng.GetCount() == 0)
        return;
    QString name;
    bool found = false;
    if (m_player->IsABLoop())
        found = mng.GetCurrentFileName(name);
    else if (RandomMode)
        found = mng.RandomEntry(name);
    else
        found = mng.NextEntry(name);
    if (found)
        PlayFile(name);
}

bool TForm1::PlayFile(const QString &path)
{
    // The section being repeated belongs to the song that played before.
    SectionState = 0;
    RepeatSection = -1;
    m_trainer.stop();
    std::array<int, PlayerSettings::Bands> eq{};
    for (int band = 0; band < PlayerSettings::Bands; ++band)
        eq[size_t(band)] = sliderValue(
            QStringLiteral("SLIDER_EQ_%1").arg(PlayerSettings::BandCentresHz[size_t(band)]));
    const bool opened = m_player->OpenSong(path, sliderValue(QStringLiteral("SLIDER_PAN")),
                                           sliderValue(QStringLiteral("SLIDER_SPEED")),
                                           sliderValue(QStringLiteral("SLIDER_PITCH")),
                                           sliderValue(QStringLiteral("SLIDER_REVERB")), eq);
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    try {
        if (!opened) {
            removeUnplayableEntry(path);
            return false;
        }
        SelectOnly(mng.GetCurrentIndex());
        const qint64 length = m_player->GetLengthBytes();
        m_player->SetCurrentLength(length);
        mng.DrawPosition(0);
        TLxSlider *position = m_sliders->Find(PositionSlider);
        position->SetRange(0, length);
        EditTotal->setText(TLxPlayer::FormatTime(length));
        position->SetValue(0);
        setPlayOn(true);
        try {
            mng.SetPlayed(mng.GetCurrentIndex());
            m_player->Play(false, m_options.ShowOfPeaks);
            TimerSpec.start();
        } catch (const std::exception &) {
            systemError(4611);
        }
        updateButtons(2, true);
    } catch (const std::exception &) {
        systemError(4612);
    }
    return opened;
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
    // The spectrum timer reads the engine on this thread only, so stopping it is enough.
    TimerSpec.stop();
    m_player->Stop(PaintBox2);
    m_trainer.stop(); // the speed reached stays for the next start
    // A song that ended just before must not start the next one after the user stopped.
    m_player->ClearEnded();
    EditSecond->setText(Zero);
    EditTotal->setText(Zero);
    updateButtons(1, false);
    setPlayOn(false);
    setSliderValue(PositionSlider, 0);
}

void TForm1::PausePlayback()
{
    SleepElapsedMs = 0;
    SleepState = 0;
    m_player->Pause(PaintBox2);
    m_player->ClearEnded();
    updateButtons(4, false);
    setPlayOn(false);
}

void TForm1::ResumePlayback()
{
    SleepElapsedMs = 0;
    SleepState = 1;
    m_player->Play(false, m_options.ShowOfPeaks);
    updateButtons(3, true);
}

void TForm1::PlayNextEntry(bool play)
{
    stepEntry(true, play);
}

void TForm1::PlayPreviousEntry(bool play)
{
    stepEntry(false, play);
}

void TForm1::stepEntry(bool forward, bool play)
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    if (play)
        StopPlayback();
    QString name;
    if (mng.GetCount() == 0 || !(forward ? mng.NextEntry(name) : mng.PrevEntry(name)))
        return;
    if (play)
        PlayFile(name);
    else
        SelectOnly(mng.GetCurrentIndex());
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
    if (TLxSlider *slider = m_sliders->Find(name)) {
        slider->SetValue(value);
        PaintBox1->canvasChanged();
    }
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

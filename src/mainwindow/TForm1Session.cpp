// TForm1: the practice session under the window, and the controls that show what it
// announces. UI thread only.
#include "engine/TLxPlayer.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxButtonMng.h"

namespace {

QString bandSlider(int band)
{
    return QStringLiteral("SLIDER_EQ_%1").arg(PlayerSettings::BandCentresHz[size_t(band)]);
}

} // namespace

void TForm1::createSession()
{
    m_session = std::make_unique<PracticeSession>(*m_player, m_volume.get());
    PracticeSession &session = *m_session;
    session.SetSpectrumSurface(PaintBox2);
    session.SetSpeedRange(MinOfSpeed, MaxOfSpeed);
    session.SetRandom(m_randomAtStart);
    session.SetABLoop(m_abLoopAtStart);
    session.SetClockHandler([this] { runHandler([this] { Timer1Timer(); }); });

    connect(&session, &PracticeSession::transportChanged, this,
            [this](PracticeSession::Transport transport) { showTransport(transport); });
    connect(&session, &PracticeSession::songStarted, this,
            [this](int, qint64 length) { showSongStarted(length); });
    connect(&session, &PracticeSession::songFailed, this, [this](const QString &path) {
        removeUnplayableEntry(path);
        setPlayOn(m_session->transport() == PracticeSession::Transport::Playing);
    });
    connect(&session, &PracticeSession::currentEntryChanged, this,
            [this](int index) { SelectOnly(index); });
    connect(&session, &PracticeSession::positionChanged, this,
            [this](qint64 bytes) { showPosition(bytes); });
    connect(&session, &PracticeSession::speedChanged, this,
            [this](int percent) { showSpeed(percent); });
    connect(&session, &PracticeSession::pitchChanged, this,
            [this](int semitones) { showPitch(semitones); });
    connect(&session, &PracticeSession::panChanged, this,
            [this](int value) { setSliderValue(QStringLiteral("SLIDER_PAN"), value); });
    connect(&session, &PracticeSession::reverbChanged, this,
            [this](int level) { setSliderValue(QStringLiteral("SLIDER_REVERB"), level); });
    connect(&session, &PracticeSession::equalizerChanged, this,
            [this](int band, int gainDb) { setSliderValue(bandSlider(band), gainDb); });
    connect(&session, &PracticeSession::volumeChanged, this, [this](int percent) {
        if (percent >= 0)
            setSliderValue(QStringLiteral("SLIDER_VOLUME"), percent);
    });
    connect(&session, &PracticeSession::abLoopChanged, this,
            [this](bool on) { showToggle(QStringLiteral("BUTTON_LOOP"), on); });
    connect(&session, &PracticeSession::randomChanged, this,
            [this](bool on) { showToggle(QStringLiteral("BUTTON_RANDOM"), on); });
    connect(&session, &PracticeSession::countInChanged, this, [this] { showCountInTempo(); });
    connect(&session, &PracticeSession::playLimitReached, this,
            [this] { information(QStringLiteral("連続再生タイマー経過: 再生停止します。")); });
    connect(&session, &PracticeSession::outputLost, this, [this] {
        information(QStringLiteral("サウンドデバイスが使えなくなったため再生を停止しました。"));
    });
    connect(&session, &PracticeSession::systemError, this,
            [this](int code, const QString &detail) { systemError(code, detail); });
    // Changes from any side (the remote control, the trainer) are kept as the window's own.
    for (auto changed : {&PracticeSession::speedChanged, &PracticeSession::pitchChanged})
        connect(&session, changed, this, [this] { SettingsSaveTimer.start(); });
    for (auto changed : {&PracticeSession::abLoopChanged, &PracticeSession::randomChanged})
        connect(&session, changed, this, [this] { SettingsSaveTimer.start(); });
    // Saved a second after the first unsaved change: a steady stream of changes (a short song
    // looping) must not put the save off for ever.
    connect(&session, &PracticeSession::playListChanged, this, [this] {
        if (!AutoSaveTimer.isActive())
            AutoSaveTimer.start();
    });
}

void TForm1::showToggle(const QString &name, bool on)
{
    // The buttons are made after the session; until then they take the start-up modes.
    if (!m_buttons->Find(name) || m_buttons->IsOn(name) == on)
        return;
    m_buttons->Toggle(name);
    m_buttons->DrawAll();
    PaintBox1->canvasChanged();
}

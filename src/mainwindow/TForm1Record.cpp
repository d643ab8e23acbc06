// The main window's side of the CD dialog.
#include "cd/TRecordDlg.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/TForm1.h"
#include "playlist/TLxMusicInfo.h"
#include "skin/TLxButtonMng.h"

void TForm1::createRecordDialog()
{
    TRecordDlg::Services services{m_player->Backend(),
                                  m_messages,
                                  RecordMutex,
                                  [this] { return m_session->Volume(); },
                                  [this](int percent) { return m_session->SetVolume(percent); },
                                  [this](const QString &path) {
                                      TLxMusicInfo probed;
                                      m_player->ProbeFile(path, probed, false);
                                      // A path already listed is selected, not added twice.
                                      m_player->MusicInfoMng().AddEntry(path, probed, true, false);
                                  },
                                  [this] { m_player->ShowHelp(); }};
    m_recordDlg = std::make_unique<TRecordDlg>(std::move(services), this);
}

void TForm1::RecordCommand()
{
    if (isPlayOn()) {
        m_session->ResetPlayLimit(PracticeSession::PlayLimit::Off);
        StopPlayback();
    }
    if (m_recordDlg->hasDrives()) {
        const bool timer1 = Timer1().isActive(), timerSpec = TimerSpec.isActive();
        Timer1().stop();
        TimerSpec.stop();
        m_recordDlg->SetRecordingOptions(m_options.RecordingDir, m_options.InhibitOverWriteRecord,
                                         m_options.AutoEnterToLibrary);
        m_recordDlg->exec();
        if (timer1)
            Timer1().start();
        if (timerSpec)
            TimerSpec.start();
    } else {
        m_messages.show(QStringLiteral("CDドライブが見つかりません。"),
                        MessagePresenter::Icon::Error, MessagePresenter::Ok);
    }
    if (m_buttons->IsOn(u"BUTTON_RECORD"))
        m_buttons->Toggle(u"BUTTON_RECORD");
    FormPaint();
}

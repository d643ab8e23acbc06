// TForm1: the entry property dialog and renaming or moving an entry's audio file.
#include "common/Units.h"
#include "engine/TLxPlayer.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/TForm1.h"
#include "propertydialog/AudioFileRename.h"
#include "propertydialog/TPlayPropertyDlg.h"

#include <QFileInfo>
#include <QLineEdit>

TPlayPropertyDlg &TForm1::PlayPropertyDlg()
{
    return *m_propertyDlg;
}

void TForm1::ShowEntryProperties()
{
    const int line = SingleSelectedIndex();
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    if (line < 0 || !mng.Entry(line)) {
        information(
            QStringLiteral("プレイリストをクリックしてプロパティ表示するオーディオファイルを"
                           "1個選んでください。"));
        return;
    }
    const TLxMusicInfo &entry = *mng.Entry(line);
    const QString path = entry.FileName;
    if (entry.Length / quillmere::BytesPerSecond == 0) { // under a second: not known yet
        TLxMusicInfo probed;
        if (m_player->ProbeFile(path, probed, true))
            mng.SetEntryInfo(line, probed.Length, probed.AudioFormat);
    }
    TPlayPropertyDlg &dialog = PlayPropertyDlg();
    dialog.fill(path, entry.Length, int(entry.Sections.size()), entry.AudioFormat);
    if (dialog.exec() != TPlayPropertyDlg::ResultOk)
        return;
    if (dialog.EditOldFilePath->text() == dialog.EditFilePath->text())
        return;
    const QString target = dialog.SaveFileName();
    // The entry may have gone while the dialog was open (a second copy's playlist).
    if (!mng.Entry(line) || mng.Entry(line)->FileName != path)
        return;
    if (!renameAudioFile(path, target)) {
        m_messages.show(QStringLiteral("オーディオファイル名の変更に失敗しました。ファイルが使用"
                                       "（再生）中の可能性があります。"),
                        MessagePresenter::Icon::Error, MessagePresenter::Ok);
        return;
    }
    mng.SetEntryFileName(line, QFileInfo(target).absoluteFilePath());
    mng.SelectLine(line);
}

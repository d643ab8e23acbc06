#include "engine/TLxPlayer.h"

#include "common/AppPaths.h"
#include "common/PaintSurface.h"
#include "engine/FormatText.h"
#include "skin/TSpectrum.h"

#include <QDesktopServices>
#include <QUrl>

#include <exception>

using namespace quillmere::audio;

TLxPlayer::TLxPlayer(MessagePresenter &messages, QString settingsPath)
    : m_messages(messages), m_settingsPath(std::move(settingsPath)),
      m_settings(PlayerSettings::load(m_settingsPath)), m_mng(std::make_unique<TLxMusicInfoMng>())
{
    m_backend.setStretcherKind(stretcherKindFromName(m_settings.stretcher));
}

TLxPlayer::~TLxPlayer()
{
    m_backend.free();
    m_mng.reset(); // saves the playlist
    m_settings.save(m_settingsPath);
}

bool TLxPlayer::Init(PaintSurface *spectrumSurface, bool showPeaks, int heightPercent,
                     const QString &outputSpec)
{
    const quint32 found = AudioBackend::Version >> 16;
    const quint32 expected = ExpectedBackendVersion >> 16;
    if (found != expected) {
        m_messages.show(
            QString::asprintf("DLLのバージョンが違うため実行を継続できません。[DLL %x:%x]", found,
                              expected),
            MessagePresenter::Icon::Error, MessagePresenter::Ok);
        return false;
    }
    if (!m_backend.init(outputSpec)) {
        m_messages.show(QStringLiteral("デバイスの初期化に失敗したため実行を継続できません。"),
                        MessagePresenter::Icon::Error, MessagePresenter::Ok);
        return false;
    }
    const QSize size = spectrumSurface ? spectrumSurface->canvas().size() : QSize();
    m_spectrum = std::make_unique<TSpectrum>(
        size.width(), size.height(), showPeaks, [this](const QString &text) {
            m_messages.show(text, MessagePresenter::Icon::Information, MessagePresenter::Ok);
        });
    m_spectrum->SetScale(size.height() * heightPercent / 100);
    return true;
}

void TLxPlayer::LoadPlugins(const QString &folder, QString &filter)
{
    m_backend.loadPlugins(folder);
    for (const PluginFormat &format : m_backend.pluginFormats()) {
        const QString shown = formatFilter(format);
        filter += u'|' + shown + u'|' + format.extensionMask;
        PluginFormats.append(shown);
    }
}

void TLxPlayer::ShowHelp() const
{
    // Without a browser or a desktop to open it with, Qt only writes a warning to stderr: the
    // box gives the user the file to open by hand.
    const QString help = quillmere::AppPaths::dataFile(QStringLiteral("help/index.html"));
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(help)))
        m_messages.show(
            QStringLiteral(
                "ヘルプを開けませんでした。次のファイルをブラウザーで開いてください:\n") +
                help,
            MessagePresenter::Icon::Information, MessagePresenter::Ok);
}

QString TLxPlayer::DescribeFormat(const ChannelInfo &info) const
{
    return FormatText::describe(info, m_backend.pluginFormats());
}

QString TLxPlayer::FormatTime(qint64 bytes)
{
    return FormatText::time(bytes);
}

void TLxPlayer::unsupportedFile(const QString &fileName) const
{
    m_messages.show(
        QStringLiteral("ファイル[%1]の再生ができません。サポート対象外のファイル[%2]です。")
            .arg(fileName)
            .arg(int(AudioBackend::lastError())),
        MessagePresenter::Icon::Error, MessagePresenter::Ok);
}

void TLxPlayer::systemError(int code) const
{
    m_messages.show(QStringLiteral("System Error:CODE[%1]").arg(code),
                    MessagePresenter::Icon::Information, MessagePresenter::Ok);
}

// Opens the file as a stream, else as a module, and puts a tempo channel over it.
bool TLxPlayer::openChannel(const QString &fileName, bool showErrors, Handle &channel)
{
    Handle source = m_backend.openFile(fileName);
    if (!source)
        source = m_backend.openModule(fileName);
    if (!source) {
        if (showErrors)
            unsupportedFile(fileName);
        return false;
    }
    channel = m_backend.createTempoChannel(source);
    if (!channel) {
        if (showErrors)
            unsupportedFile(fileName);
        m_backend.freeChannel(source);
        return false;
    }
    return true;
}

bool TLxPlayer::ProbeFile(const QString &fileName, TLxMusicInfo &entry, bool showErrors)
{
    Handle probe = 0;
    if (!openChannel(fileName, showErrors, probe))
        return false;
    ChannelInfo info;
    m_backend.channelInfo(probe, info);
    entry.AudioFormat = DescribeFormat(info);
    entry.Length = std::max<qint64>(0, m_backend.lengthBytes(probe));
    m_backend.freeChannel(probe);
    return true;
}

void TLxPlayer::ClearEnded()
{
    m_shared.update([](PlayerState::Value v) {
        v.ended = false;
        return std::optional(v);
    });
}

void TLxPlayer::releaseChannel()
{
    const Handle old = m_shared
                           .update([](PlayerState::Value v) {
                               v.channel = 0;
                               return std::optional(v);
                           })
                           .channel;
    if (old) {
        m_backend.stop(old);
        m_backend.freeChannel(old);
    }
}

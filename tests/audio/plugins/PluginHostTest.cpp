#include "audio/plugins/PluginHost.h"

#include "AudioFixtures.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace quillmere::audio;

const QString BuiltPlugin =
    QStringLiteral(QUILLMERE_BUILD_PLUGIN_DIR "/quillmere-plugin-ffmpeg.so");
const QString BadPlugins = QStringLiteral(QUILLMERE_BAD_PLUGIN_DIR);

void copy(const QString &from, const QString &to)
{
    ASSERT_TRUE(QFile::copy(from, to)) << from.toStdString() << " -> " << to.toStdString();
}

TEST(PluginHost, ListsTheFormatsOfTheFfmpegPlugin)
{
    PluginHost host;
    ASSERT_GE(host.loadFolder(QStringLiteral(QUILLMERE_BUILD_PLUGIN_DIR)), 1);
    EXPECT_EQ(host.pluginName(1), QStringLiteral("FFmpeg"));
    EXPECT_EQ(host.pluginPath(1), BuiltPlugin);
    EXPECT_TRUE(host.pluginName(0).isEmpty());
    EXPECT_TRUE(host.pluginName(host.pluginCount() + 1).isEmpty());

    const std::vector<PluginFormat> formats = host.formats();
    const auto has = [&](quint32 code, const char *name, const char *mask) {
        return std::any_of(formats.begin(), formats.end(), [&](const PluginFormat &f) {
            return f.typeCode == code && f.name == QLatin1String(name) &&
                   f.extensionMask == QLatin1String(mask) && f.plugin == 1;
        });
    };
    EXPECT_TRUE(has(0x10100, "M4A/AAC", "*.m4a;*.mp4;*.aac"));
    EXPECT_TRUE(has(0x10101, "Opus", "*.opus"));
    EXPECT_TRUE(has(0x10102, "FLAC", "*.flac"));
    EXPECT_TRUE(has(0x10103, "WMA", "*.wma"));

    const QStringList filters = formatFilters(formats);
    ASSERT_EQ(filters.size(), static_cast<qsizetype>(formats.size()));
    EXPECT_EQ(filters.first(), QStringLiteral("M4A/AAC (*.m4a;*.mp4;*.aac)"));
    EXPECT_TRUE(filters.contains(QStringLiteral("FLAC (*.flac)")));
}

TEST(PluginHost, SkipsFilesThatAreNotValidPluginsAndNumbersTheRestInNameOrder)
{
    QTemporaryDir dir;
    copy(BuiltPlugin, dir.filePath(QStringLiteral("quillmere-plugin-ffmpeg.so")));
    copy(BuiltPlugin, dir.filePath(QStringLiteral("quillmere-plugin-another.so")));
    copy(BuiltPlugin, dir.filePath(QStringLiteral("libquillmere-plugin-x.so"))); // wrong name
    copy(BadPlugins + QStringLiteral("/quillmere-plugin-badabi.so"),
         dir.filePath(QStringLiteral("quillmere-plugin-badabi.so")));
    copy(BadPlugins + QStringLiteral("/quillmere-plugin-noentry.so"),
         dir.filePath(QStringLiteral("quillmere-plugin-noentry.so")));
    testfiles::writeFile(dir.filePath(QStringLiteral("quillmere-plugin-text.so")), "not ELF\n");
    QDir(dir.path()).mkdir(QStringLiteral("quillmere-plugin-folder.so"));

    PluginHost host;
    EXPECT_EQ(host.loadFolder(dir.path()), 2);
    ASSERT_EQ(host.pluginCount(), 2);
    EXPECT_EQ(host.pluginPath(1), dir.filePath(QStringLiteral("quillmere-plugin-another.so")));
    EXPECT_EQ(host.pluginPath(2), dir.filePath(QStringLiteral("quillmere-plugin-ffmpeg.so")));

    QStringList skipped;
    for (const SkippedPlugin &s : host.skipped()) {
        skipped << QFileInfo(s.path).fileName();
        EXPECT_FALSE(s.reason.isEmpty());
    }
    EXPECT_EQ(skipped, (QStringList{QStringLiteral("quillmere-plugin-badabi.so"),
                                    QStringLiteral("quillmere-plugin-noentry.so"),
                                    QStringLiteral("quillmere-plugin-text.so")}));
    EXPECT_TRUE(host.skipped().front().reason.contains(QStringLiteral("version")));

    // Both copies claim FLAC: the first in handle order opens it.
    const QString flac = dir.filePath(QStringLiteral("tone.flac"));
    ASSERT_TRUE(
        audiofixtures::makeSine(flac, 22050, {QStringLiteral("-c:a"), QStringLiteral("flac")}));
    DecoderPtr decoder = host.open(flac);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->info().plugin, 1);
    EXPECT_EQ(decoder->info().sampleRate, 22050);
}

TEST(PluginHost, ADecoderKeepsItsPluginLoadedAfterTheHostIsGone)
{
    QTemporaryDir dir;
    const QString opus = dir.filePath(QStringLiteral("tone.opus"));
    ASSERT_TRUE(
        audiofixtures::makeSine(opus, 48000, {QStringLiteral("-c:a"), QStringLiteral("libopus")}));
    DecoderPtr decoder;
    {
        PluginHost host;
        host.loadFolder(QStringLiteral(QUILLMERE_BUILD_PLUGIN_DIR));
        decoder = host.open(opus);
    }
    ASSERT_TRUE(decoder);
    EXPECT_EQ(audiofixtures::readFrames(*decoder, 48000).size(), 2u * 48000);
    EXPECT_TRUE(decoder->seek(100));
}

TEST(PluginHost, EmptyOrMissingFoldersGiveNoPlugins)
{
    QTemporaryDir dir;
    PluginHost host;
    EXPECT_EQ(host.loadFolder(dir.path()), 0);
    EXPECT_EQ(host.loadFolder(dir.filePath(QStringLiteral("missing"))), 0);
    EXPECT_TRUE(host.formats().empty());
    EXPECT_FALSE(host.open(dir.filePath(QStringLiteral("any.flac"))));
}

TEST(ExtensionMask, MatchesWholeNamesExactly)
{
    const QString mask = QStringLiteral("*.m4a;*.mp4");
    EXPECT_TRUE(matchesExtensionMask(QStringLiteral("song.m4a"), mask));
    EXPECT_TRUE(matchesExtensionMask(QStringLiteral("a.b.mp4"), mask));
    EXPECT_FALSE(matchesExtensionMask(QStringLiteral("song.M4A"), mask));
    EXPECT_FALSE(matchesExtensionMask(QStringLiteral("song.m4a.txt"), mask));
    EXPECT_FALSE(matchesExtensionMask(QStringLiteral("m4a"), mask));
    EXPECT_FALSE(matchesExtensionMask(QStringLiteral("song.m4a"), QString()));
}

} // namespace

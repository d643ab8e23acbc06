// Captions parsed into types, and associations made through GIO in private XDG folders and
// checked with the real "gio" tool.
#include "DesktopSandbox.h"
#include "options/GioClassRegistry.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

namespace {

TEST(FileTypeCaption, SplitsNameAndExtensionOrNamesNoType)
{
    const struct {
        const char *caption, *name, *extension;
    } cases[] = {
        {"MP3 (*.mp3)", "MP3", ".mp3"},       {"  Ogg Vorbis (*.ogg)  ", "Ogg Vorbis", ".ogg"},
        {"FLAC (*.flac)", "FLAC", ".flac"},   {"MP4 (*.mp4;*.m4a)", "MP4", ".mp4;*.m4a"},
        {"Odd (a) (*.xm)", "Odd (a)", ".xm"},
    };
    for (const auto &c : cases) {
        FileTypeCaption type;
        ASSERT_TRUE(FileTypeCaption::parse(QString::fromUtf8(c.caption), type)) << c.caption;
        EXPECT_EQ(type.typeName, QString::fromUtf8(c.name));
        EXPECT_EQ(type.extension, QString::fromUtf8(c.extension));
    }
    FileTypeCaption none;
    for (const char *caption : {"", "      ", "MP3", "(*.mp3)"})
        EXPECT_FALSE(FileTypeCaption::parse(QString::fromUtf8(caption), none)) << caption;
}

class GioClassRegistryTest : public ::testing::Test {
protected:
    static inline DesktopSandbox *sandbox = nullptr;
    static void SetUpTestSuite() { sandbox = new DesktopSandbox; }
    static void TearDownTestSuite() { delete sandbox; }
};

TEST_F(GioClassRegistryTest, MultiPatternMasksMapToEachPatternsType)
{
    EXPECT_EQ(GioClassRegistry::mimeTypesFor(QStringLiteral(".mp3")),
              QStringList{QStringLiteral("audio/mpeg")});
    EXPECT_EQ(GioClassRegistry::mimeTypesFor(QStringLiteral(".flac;*.m4a")),
              (QStringList{QStringLiteral("audio/flac"), QStringLiteral("audio/mp4")}));
    EXPECT_TRUE(GioClassRegistry::mimeTypesFor(QStringLiteral(".nosuchtype")).isEmpty());
}

TEST_F(GioClassRegistryTest, RegisteringWritesMimeAppsListAndGioAgrees)
{
    const QString realList = QDir::home().filePath(QStringLiteral(".config/mimeapps.list"));
    const QDateTime realBefore = QFileInfo(realList).lastModified();
    GioClassRegistry registry;
    EXPECT_EQ(registry.QueryFileType(QStringLiteral(".mp3")), ClassRegistry::State::NotRegistered);
    // Asking wrote nothing.
    EXPECT_TRUE(sandbox->mimeAppsList().isEmpty());

    QString error;
    ASSERT_TRUE(registry.RegisterFromCaption(QStringLiteral("MP3 (*.mp3)"), error))
        << error.toStdString();
    ASSERT_TRUE(registry.RegisterFromCaption(QStringLiteral("Wave (*.wav)"), error))
        << error.toStdString();
    EXPECT_TRUE(registry.IsFileTypeRegistered(QStringLiteral(".mp3")));
    EXPECT_TRUE(registry.IsFileTypeRegistered(QStringLiteral(".wav")));
    const QByteArray list = sandbox->mimeAppsList();
    EXPECT_TRUE(list.contains("audio/mpeg=quillmere.desktop")) << list.constData();
    EXPECT_TRUE(list.contains("audio/x-wav=quillmere.desktop")) << list.constData();
    EXPECT_TRUE(
        DesktopSandbox::gioMime(QStringLiteral("audio/mpeg"))
            .contains(QStringLiteral("Default application for “audio/mpeg”: quillmere.desktop")))
        << DesktopSandbox::gioMime(QStringLiteral("audio/mpeg")).toStdString();
    EXPECT_EQ(QFileInfo(realList).lastModified(), realBefore);
}

TEST_F(GioClassRegistryTest, AnotherPlayersTypeIsNotOursUntilRepointed)
{
    sandbox->addOtherPlayer(QStringLiteral("other-player.desktop"));
    GioClassRegistry other(QStringLiteral("other-player.desktop"));
    QString error;
    // GIO hears of a new desktop entry through a file monitor on a thread of its own, so the
    // entry written a moment ago may take a few milliseconds to be known.
    bool registered = false;
    for (int i = 0; i < 200 && !registered; ++i) {
        registered = other.RegisterFileType(QStringLiteral(".aif"), QStringLiteral("AIFF"), error);
        if (!registered)
            QThread::msleep(10);
    }
    ASSERT_TRUE(registered) << error.toStdString();
    GioClassRegistry ours;
    EXPECT_EQ(ours.QueryFileType(QStringLiteral(".aif")), ClassRegistry::State::NotRegistered);
    ASSERT_TRUE(ours.RegisterFileType(QStringLiteral(".aif"), QStringLiteral("AIFF"), error));
    EXPECT_TRUE(ours.IsFileTypeRegistered(QStringLiteral(".aif")));
    EXPECT_TRUE(DesktopSandbox::gioMime(QStringLiteral("audio/x-aiff"))
                    .contains(QStringLiteral(": quillmere.desktop")));
}

TEST_F(GioClassRegistryTest, FailuresSayWhyAndWriteNothing)
{
    const QByteArray before = sandbox->mimeAppsList();
    QString error;
    GioClassRegistry missing(QStringLiteral("not-installed.desktop"));
    EXPECT_FALSE(missing.RegisterFileType(QStringLiteral(".ogg"), QStringLiteral("Ogg"), error));
    EXPECT_TRUE(error.contains(QStringLiteral("not-installed.desktop")));
    GioClassRegistry ours;
    EXPECT_EQ(ours.QueryFileType(QStringLiteral(".mp1")), ClassRegistry::State::UnknownType);
    EXPECT_FALSE(ours.RegisterFileType(QStringLiteral(".mp1"), QStringLiteral("MP1"), error));
    EXPECT_EQ(sandbox->mimeAppsList(), before);
}

} // namespace

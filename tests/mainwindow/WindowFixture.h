#pragma once

// The main window over the "null" output, which plays in real time without a sound device,
// with a private folder for generated songs. Shared by the window's test programs.

#include "common/AppPaths.h"
#include "engine/RecordingPresenter.h"
#include "mainwindow/FileIntake.h"
#include "mainwindow/TForm1.h"
#include "skin/TLxButtonMng.h"
#include "support/AudioFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <memory>

class WindowFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RecordingPresenter messages;
    std::unique_ptr<TForm1> window;

    void SetUp() override
    {
        // Every window of the run shares the one test home: start each test afresh.
        QFile::remove(quillmere::AppPaths::settingsFile());
        QFile::remove(quillmere::AppPaths::defaultPlayListFile());
    }

    void TearDown() override { window.reset(); }

    // Builds the window and waits until its paths are in (slices of the intake run in the
    // event loop; under a sanitizer even three files take more than one).
    void open(const QStringList &paths = {})
    {
        window = std::make_unique<TForm1>(paths, &messages, QStringLiteral("null"));
        waitForIntake();
    }

    // A click on one of the skin's buttons, where a user would press it.
    void click(const char *name)
    {
        const TLxButton *button = window->ButtonMng().Find(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        auto *surface = window->findChild<QWidget *>(QStringLiteral("PaintBox1"));
        const QPoint at(button->CenterX(), button->CenterY());
        QTest::mousePress(surface, Qt::LeftButton, {}, at);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, at);
    }

    void waitForIntake()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->Intake().busy(); }, 60000));
    }

    // A stereo sine at relative (folders are made as needed) in the private folder.
    QString song(const QString &relative, double seconds = 0.5, double frequency = 440)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(fixtures::writeSndfile(path, fixtures::sine(frequency, seconds, 44100, 2),
                                           44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        return path;
    }
};

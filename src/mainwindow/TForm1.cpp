// TForm1: construction, painting, settings and tear-down.
#include "mainwindow/TForm1.h"

#include "cd/TRecordDlg.h"
#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "common/OptionRanges.h"
#include "engine/TLxPlayer.h"
#include "engine/VolumeWatcher.h"
#include "mainwindow/FileIntake.h"
#include "mainwindow/PlayListBox.h"
#include "mainwindow/QuitRequest.h"
#include "options/TToolDlg.h"
#include "playlist/PlayListFile.h"
#include "propertydialog/TPlayPropertyDlg.h"
#include "skin/SkinButtonLoader.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"
#include "skin/TLxToggleButton.h"

#include <QApplication>
#include <QLineEdit>

#include <algorithm>

namespace {

const QString FormSection = QStringLiteral("Form");
const QString OptionSection = QStringLiteral("Option");
const QColor Navy(0, 0, 0x80);

// The hints of the main window's buttons, in the order of SkinLayout::mainWindow().buttons;
// a second text is the hint of a two-state button while it is on.
struct ButtonHints {
    const char *off;
    const char *on;
};
const ButtonHints Hints[] = {
    {"CD からオーディオファイルに録音", "CD からオーディオファイルに録音"},
    {"開く（プレイリストファイルまたはオーディオファイル）", nullptr},
    {"プレイリスト保存", nullptr},
    {"A-B区間繰返再生モードに切替", "通常再生モードに切替"},
    {"再生", "再生一時停止"},
    {"再生停止", nullptr},
    {"次へ", nullptr},
    {"前へ", nullptr},
    {"ランダム再生に切替", "シーケンス再生に切替"},
    {"設定", nullptr},
    {"ヘルプ", nullptr},
    {"終了", nullptr},
    {"A点設定(A-B区間追加の場合:Shiftキー押しながらクリック)", nullptr},
    {"B点設定", nullptr},
    {"A-B区間削除(再生位置に近いA-B区間削除)", nullptr},
    {"スピードアップ", nullptr},
    {"スピードダウン", nullptr},
    {"スピードを標準に設定", nullptr},
    {"ピッチアップ", nullptr},
    {"ピッチダウン", nullptr},
    {"左右スピーカバランスを標準に設定", nullptr},
    {"A-B区間全削除", nullptr},
    {"ピッチを標準に設定", nullptr},
    {"リバーブを標準に設定", nullptr},
    {"イコライザーを標準に設定", nullptr},
    {"プロパティ", nullptr},
    {"削除", nullptr},
    {"登録位置アップ", nullptr},
    {"登録位置ダウン", nullptr},
};

const char *const SliderHints[] = {
    "イコライザー 250Hz",
    "イコライザー 500Hz",
    "イコライザー 1000Hz",
    "イコライザー 2000Hz",
    "イコライザー 4000Hz",
    "イコライザー 8000Hz",
    "音量",
    "音程",
    "再生速度",
    "再生位置",
    "左右スピーカバランス",
    "リバーブ",
};

QLineEdit *textField(SkinPaintBox *skin, const QRect &skinRect, const QString &text)
{
    auto *field = new QLineEdit(text, skin->parentWidget());
    field->setReadOnly(true);
    field->setFrame(false);
    field->setFocusPolicy(Qt::NoFocus);
    field->setContextMenuPolicy(Qt::NoContextMenu);
    field->setTextMargins(0, 0, 0, 0);
    // Half-width digits of the Japanese gothic fit "00:00" into the 33-pixel fields.
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(11);
    field->setFont(font);
    // The fields are only 33 pixels wide: no inner margin, or "00:00" loses its first digit.
    field->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; border: none; "
                                        "background: #000080; color: #a6caf0; }"));
    field->setAlignment(Qt::AlignCenter);
    field->setGeometry(skin->logicalRect(skinRect));
    field->hide();
    return field;
}

} // namespace

int TForm1::spectrumPercent(int volume)
{
    // Without a system mixer the volume is unknown (-1): the spectrum then uses its full height.
    return volume < 0 ? 100 : volume;
}

TForm1::TForm1(const QStringList &paths, MessagePresenter *messages, const QString &outputSpec)
    : m_ownMessages(messages ? std::unique_ptr<MessageBoxPresenter>()
                             : std::make_unique<MessageBoxPresenter>(this)),
      m_messages(messages ? *messages : *m_ownMessages),
      m_settingsPath(quillmere::AppPaths::settingsFile()), m_buttons(new TLxButtonMng),
      m_sliders(new TLxSliderMng)
{
    createMutexes();
    createChildren();
    LoadIniSettings(quillmere::IniFile::load(m_settingsPath));
    SkinPaintBox::useHintColours();

    m_player = std::make_unique<TLxPlayer>(m_messages, m_settingsPath);
    loadPlayList();
    PositionDragging = false;
    m_volume = std::make_unique<quillmere::engine::VolumeWatcher>();
    // The first reading is waited for, briefly, so the slider starts at the real volume.
    m_volume->awaitFirstReading(std::chrono::milliseconds(500));
    LastVolume = m_volume->GetVolume();
    WindowDragging = false;
    createSession();
    createButtons();
    createSliders();
    updateButtons(0, false);
    // The options are loaded after the window is built, so the peaks start off; every start
    // of playback passes the loaded setting.
    if (m_ownMessages)
        m_ownMessages->setStartupFailures(true);
    const bool started = m_player->Init(PaintBox2, false, spectrumPercent(LastVolume), outputSpec);
    if (m_ownMessages)
        m_ownMessages->setStartupFailures(false);
    if (!started)
        throw StartupFailed();
    buildOpenFilter();
    createPlayListControls();
    createSectionBarMenu();

    connect(&TimerSpec, &QTimer::timeout, this,
            [this] { runHandler([this] { TimerSpecTimer(); }); });
    connect(&TimerRepeat, &QTimer::timeout, this,
            [this] { runHandler([this] { TimerRepeatTimer(); }); });
    TimerSpec.setInterval(33);
    // Runs only while a repeat button is held (from the press on), so an idle window rests.
    TimerRepeat.setInterval(100);
    for (QWidget *w : {static_cast<QWidget *>(ListBoxPlayList), static_cast<QWidget *>(EditSecond),
                       static_cast<QWidget *>(EditTotal), static_cast<QWidget *>(EditSpeed),
                       static_cast<QWidget *>(EditPitch)})
        w->show();
    FormPaint();
    m_options.load(m_settingsPath);
    applyLoopBreath();
    m_session->SetShowPeaks(m_options.ShowOfPeaks);
    m_session->SetPlayLimit(m_options.PlayTimer);
    createToolDialog();
    createRecordDialog();
    ProcessCommandLine(paths);
}

TForm1::~TForm1()
{
    TimerSpec.stop();
    if (m_session)
        Timer1().stop();
    TimerRepeat.stop();
    m_intake.reset(); // a request still queued must not reach a half-destroyed window
    m_toolDlg.reset();
    m_recordDlg.reset(); // its CD streams live in the engine's back end
    SettingsSaveTimer.stop();
    m_session.reset(); // it works on the engine
    // The engine first: it writes the default playlist and the [Player] keys.
    m_player.reset();
    SaveSettings();
}

void TForm1::SaveSettings()
{
    // A failed write keeps the old file; the next change or the exit tries again.
    if (m_player)
        m_player->Settings().save(m_settingsPath);
    quillmere::IniFile ini = quillmere::IniFile::load(m_settingsPath);
    SaveIniSettings(ini);
    ini.save(m_settingsPath);
    m_options.save(m_settingsPath);
}

void TForm1::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_player) // not while construction places the window
        SettingsSaveTimer.start();
}

void TForm1::createMutexes()
{
    RecordMutex.CreateNamed(QStringLiteral("QuillmerePlayer_Record"));
    PlayMutex.CreateNamed(QStringLiteral("QuillmerePlayer_Play"));
    PaintMutex.CreateNamed(QStringLiteral("QuillmerePlayer_Paint"));
}

void TForm1::runHandler(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const TLxMutex::Error &e) {
        // The box runs an event loop in which the timers fire and time out again: one box
        // at a time says it all.
        if (m_reportingLockError)
            return;
        m_reportingLockError = true;
        m_messages.show(QString::fromLatin1(e.what()), MessagePresenter::Icon::Error,
                        MessagePresenter::Ok);
        m_reportingLockError = false;
    }
}

void TForm1::createChildren()
{
    SettingsSaveTimer.setSingleShot(true);
    SettingsSaveTimer.setInterval(2000);
    connect(&SettingsSaveTimer, &QTimer::timeout, this, [this] { SaveSettings(); });
    const SkinLayout::Window &layout = SkinLayout::mainWindow();
    setWindowTitle(QStringLiteral("Quillmere Audio Player"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Navy);
    setPalette(colours);
    setAutoFillBackground(true);

    PaintBox1 = new SkinPaintBox(layout.paintSize, this);
    PaintBox1->placeAt(QRect(QPoint(0, 0), layout.paintSize));
    setFixedSize(PaintBox1->logicalSizeFor(layout.clientSize));
    PaintBox2 = new SkinPaintBox(QSize(56, 18), this);
    PaintBox2->placeAt(QRect(376, 130, 56, 18));
    PaintBox3 = new SkinPaintBox(QSize(162, 20), this);
    PaintBox3->placeAt(QRect(277, 89, 162, 20));

    ListBoxPlayList = new PlayListBox(this);
    ListBoxPlayList->setGeometry(PaintBox1->logicalRect(QRect(46, 214, 267, 116)));
    ListBoxPlayList->hide();
    ListBoxPlayList->onDoubleClick = [this] { runHandler([this] { ListBoxPlayListDblClick(); }); };
    EditSecond = textField(PaintBox1, QRect(198, 91, 33, 14), QStringLiteral(" 00:00 00:00"));
    EditTotal = textField(PaintBox1, QRect(240, 91, 33, 14), QStringLiteral("00:00"));
    EditSpeed = textField(PaintBox1, QRect(196, 132, 33, 14), QStringLiteral(" 0%"));
    EditPitch = textField(PaintBox1, QRect(196, 174, 33, 14), QStringLiteral(" 0"));
    // Named as the window knows them, so that tests and tools can find them.
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox2->setObjectName(QStringLiteral("PaintBox2"));
    PaintBox3->setObjectName(QStringLiteral("PaintBox3"));
    ListBoxPlayList->setObjectName(QStringLiteral("ListBoxPlayList"));

    PaintBox1->onMouseDown = [this](QPoint p, Qt::KeyboardModifiers m) {
        runHandler([&] { PaintBox1MouseDown(p, m); });
    };
    PaintBox1->onMouseMove = [this](QPoint p, Qt::KeyboardModifiers) {
        runHandler([&] { PaintBox1MouseMove(p); });
    };
    PaintBox1->onMouseUp = [this](QPoint p, Qt::KeyboardModifiers m) {
        runHandler([&] { PaintBox1MouseUp(p, m); });
    };
    PaintBox1->hintAt = [this](QPoint p) { return ShowHintHandler(p); };
}

void TForm1::loadPlayList()
{
    TLxMusicInfoMng &mng = m_player->MusicInfoMng();
    mng.SetMissingFileQuestion([this](const QString &fileName) {
        const auto answer = m_messages.show(TLxMusicInfoMng::missingFileMessage(fileName),
                                            MessagePresenter::Icon::Warning,
                                            MessagePresenter::Ok | MessagePresenter::Abort);
        return answer == MessagePresenter::Abort ? TLxMusicInfoMng::MissingFileAnswer::Abort
                                                 : TLxMusicInfoMng::MissingFileAnswer::Skip;
    });
    mng.SetViews(PaintBox3, ListBoxPlayList);
    mng.SetSectionBarLock(&RecordMutex);
    PlayListFile::loadDefault(mng);
    // A quit that came while a box of the loading was open leaves a half-loaded list: the
    // file on disc keeps what the user had.
    if (QuitRequest::requested())
        mng.SetSaveOnDestroy(false);
    // Only now: a box of the loading runs an event loop, and a save from in there would write
    // the half-loaded list over the file being read.
    AutoSaveTimer.setSingleShot(true);
    AutoSaveTimer.setInterval(1000);
    connect(&AutoSaveTimer, &QTimer::timeout, this, [this] {
        TLxMusicInfoMng &list = m_player->MusicInfoMng();
        if (list.SavesDefaultPlayList() && !m_loadingPlayList)
            list.SaveDefaultPlayList(); // a failure keeps the old file; exit tries again
    });
}

void TForm1::createButtons()
{
    const SkinLayout::Window &layout = SkinLayout::mainWindow();
    loadSkinButtons(*m_buttons, PaintBox1, layout, [](std::size_t i, const SkinLayout::Button &) {
        return SkinButtonHint{QString::fromUtf8(Hints[i].off), QString::fromUtf8(Hints[i].on)};
    });
    for (const SkinLayout::Button &b : layout.buttons) {
        if (b.name == u"BUTTON_LOOP" && m_abLoopAtStart)
            m_buttons->Toggle(b.name);
        else if (b.name == u"BUTTON_RANDOM" && m_randomAtStart)
            m_buttons->Toggle(b.name);
    }
}

void TForm1::createSliders()
{
    const SkinLayout::Window &layout = SkinLayout::mainWindow();
    const PlayerSettings &saved = m_player->Settings();
    const QString thumb = SkinImage::skinFilePath(SkinLayout::ThumbFile);
    for (size_t i = 0; i < layout.sliders.size(); ++i) {
        const SkinLayout::Slider &s = layout.sliders[i];
        auto slider = std::make_unique<TLxSlider>();
        slider->Init(s.name, PaintBox1, s.x, s.y, s.length, s.vertical, &m_buttons->GetBackground(),
                     thumb);
        slider->Hint = QString::fromUtf8(SliderHints[i]);
        TLxSlider &added = *slider;
        m_sliders->AddSlider(std::move(slider));
        if (i < size_t(PlayerSettings::Bands)) {
            added.SetRange(-10, 10);
            added.SetValue(saved.eq[i]);
        } else if (s.name == u"SLIDER_VOLUME") {
            added.SetRange(0, 100);
            added.SetValue(LastVolume);
        } else if (s.name == u"SLIDER_PITCH") {
            added.SetRange(-24, 24);
            added.SetValue(saved.pitch);
            ApplyPitchSlider();
        } else if (s.name == u"SLIDER_SPEED") {
            added.SetRange(MinOfSpeed, MaxOfSpeed);
            added.SetValue(saved.speed);
            ApplySpeedSlider();
        } else if (s.name == u"SLIDER_PLAY") {
            added.SetRange(0, 1000);
            added.SetValue(0);
        } else if (s.name == u"SLIDER_PAN") {
            added.SetRange(-100, 100);
            added.SetValue(saved.pan);
        } else if (s.name == u"SLIDER_REVERB") {
            added.SetRange(0, 20);
            added.SetValue(saved.reverb);
        }
    }
}

void TForm1::buildOpenFilter()
{
    m_openFilter =
        QStringLiteral("プレイリストファイル(*.qlx)|*.qlx|"
                       "オーディオファイル(*.mp3;*.wav;*.ogg;...)|"
                       "*.mp3;*.wav;*.ogg;*.mo3;*.xm;*.mod;*.s3m;*.it;*.mtm;*.mp2;*.mp1");
    m_player->LoadPlugins(quillmere::AppPaths::pluginDir(), m_openFilter);
    m_openFilter += QStringLiteral("|すべてのファイル (*.*)|*.*");
}

void TForm1::LoadIniSettings(const quillmere::IniFile &ini)
{
    move(ini.readInteger(FormSection, u"Left", 100), ini.readInteger(FormSection, u"Top", 100));
    m_abLoopAtStart = ini.readBool(FormSection, u"ABLoop", false);
    m_randomAtStart = ini.readBool(FormSection, u"Random", false);
    // Clamped, so that a damaged file can neither turn the range upside down nor reach a
    // standstill at -100 %.
    MinOfSpeed = OptionRanges::MinOfSpeed.clamp(ini.readInteger(OptionSection, u"MinOfSpeed", -75));
    MaxOfSpeed = OptionRanges::MaxOfSpeed.clamp(ini.readInteger(OptionSection, u"MaxOfSpeed", 300));
}

void TForm1::SaveIniSettings(quillmere::IniFile &ini) const
{
    ini.writeInteger(FormSection, u"Top", pos().y());
    ini.writeInteger(FormSection, u"Left", pos().x());
    // The session and the engine are gone by now; the two buttons mirror their modes.
    ini.writeBool(FormSection, u"ABLoop", m_buttons->IsOn(u"BUTTON_LOOP"));
    ini.writeBool(FormSection, u"Random", m_buttons->IsOn(u"BUTTON_RANDOM"));
    ini.writeInteger(OptionSection, u"MinOfSpeed", MinOfSpeed);
    ini.writeInteger(OptionSection, u"MaxOfSpeed", MaxOfSpeed);
}

void TForm1::PaintBackground(const QRect &clip)
{
    SkinImage::copyArea(PaintBox1->canvas(), m_buttons->GetBackground(), clip, clip.topLeft());
    PaintBox2->canvas().fill(Qt::black);
    PaintBox2->canvasChanged();
}

void TForm1::FormPaint()
{
    const TLxMutexLocker locked(PaintMutex);
    const QRect all(QPoint(0, 0), PaintBox1->canvas().size());
    PaintBackground(all);
    m_buttons->DrawAll();
    m_sliders->DrawAll(all);
    m_player->DrawSectionBar();
    PaintBox1->canvasChanged();
}

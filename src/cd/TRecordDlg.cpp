#include "cd/TRecordDlg.h"

#include "audio/AudioBackend.h"
#include "audio/cd/CdPlayStream.h"
#include "cd/CdGuideLine.h"
#include "cd/TCDPropertyDlg.h"
#include "common/Units.h"
#include "skin/SkinButtonLoader.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/TLxButtonMng.h"
#include "skin/TLxSliderMng.h"
#include "skin/TLxToggleButton.h"
#include "skinwidgets/DesktopWindow.h"
#include "skinwidgets/SkinDialogParts.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QShowEvent>
#include <QTreeWidget>

namespace {

const QColor Navy(0, 0, 0x80);

struct ButtonHint {
    const char16_t *name;
    const char *off;
    const char *on;
};
const ButtonHint ButtonHints[] = {
    {u"BUTTON_CD", "CDからトラック読み込み", nullptr},
    {u"BUTTON_RECORD", "CDから指定のトラックをオーディオファイルに録音", "録音停止"},
    {u"BUTTON_PLAY_CD", "CD再生", "CD再生停止"},
    {u"BUTTON_CD_HELP", "ヘルプ", nullptr},
    {u"BUTTON_RETURN", "終了", nullptr},
    {u"BUTTON_CHECK_ON", "すべてチェック", nullptr},
    {u"BUTTON_CHECK_OFF", "すべてチェッククリア", nullptr},
    {u"BUTTON_EDIT_FILENAME", "プロパティ", nullptr},
};

QFont skinFont(const SkinPaintBox *box, const char *family)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(box->logicalRect(QRect(0, 0, 12, 12)).height());
    return font;
}

} // namespace

TRecordDlg::TRecordDlg(Services services, QWidget *parent)
    : QDialog(parent), m_services(std::move(services)), m_buttons(new TLxButtonMng),
      m_sliders(new TLxSliderMng), m_propertyDlg(new TCDPropertyDlg(this))
{
    createChildren();
    createSkin();
    connect(cmbDrives, &QComboBox::activated, this, [this] { cmbDrivesChange(); });
    Timer1.setInterval(200);
    Timer2.setInterval(100);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(&Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
    FormPaint();
}

TRecordDlg::~TRecordDlg()
{
    Timer1.stop();
    Timer2.stop();
    for (auto &stream : DriveStreams)
        stream.reset(); // waits for an end listener in progress and silences it
}

void TRecordDlg::createChildren()
{
    const SkinLayout::Window &layout = SkinLayout::cdDialog();
    setWindowTitle(QStringLiteral("ＣＤ録音ダイアログ"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Navy);
    setPalette(colours);
    setAutoFillBackground(true);

    PaintBoxRecord = new SkinPaintBox(layout.paintSize, this);
    PaintBoxRecord->setObjectName(QStringLiteral("PaintBoxRecord"));
    PaintBoxRecord->placeAt(QRect(QPoint(0, 0), layout.paintSize));
    setFixedSize(PaintBoxRecord->logicalSizeFor(layout.clientSize));
    PaintBoxRecord->onMouseDown = [this](QPoint p, Qt::KeyboardModifiers) {
        PaintBoxRecordMouseDown(p);
    };
    PaintBoxRecord->onMouseMove = [this](QPoint p, Qt::KeyboardModifiers) {
        PaintBoxRecordMouseMove(p);
    };
    PaintBoxRecord->onMouseUp = [this](QPoint p, Qt::KeyboardModifiers) {
        PaintBoxRecordMouseUp(p);
    };
    PaintBoxRecord->hintAt = [this](QPoint p) { return ShowHintHandler(p); };
    SkinPaintBox::useHintColours();

    Label1 = new CdGuideLine(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(skinFont(PaintBoxRecord, "IPAGothic"));
    Label1->setGeometry(PaintBoxRecord->logicalRect(QRect(16, 260, 225, 12)));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(PaintBoxRecord->logicalRect(QRect(45, 94, 202, 148)));
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels(
        {QStringLiteral(" "), QStringLiteral("録音ファイル名"), QStringLiteral("秒数")});
    ListView1->setRootIsDecorated(false);
    ListView1->setIndentation(0);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setFrameShape(QFrame::NoFrame);
    ListView1->setFont(skinFont(PaintBoxRecord, "IPAGothic"));
    ListView1->setStyleSheet(QStringLiteral("QTreeWidget { background: aqua; color: black; }"));
    // The first column holds the check box and the track number: at 35 skin pixels the style's
    // check box and margins leave the number no room and it is elided away, so the first
    // column takes 7 pixels of the name column, which the user can widen.
    const int widths[] = {42, 98, 40};
    for (int column = 0; column < 3; ++column)
        ListView1->header()->resizeSection(
            column, PaintBoxRecord->logicalRect(QRect(0, 0, widths[column], 1)).width());
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (!m_recording)
            TogglePlayback(true);
    });

    PopupMenuCDList = new QMenu(this);
    PopupMenuCDList->addAction(QStringLiteral("すべてチェック(&A)"), this,
                               [this] { CheckAllTracks(true); });
    PopupMenuCDList->addAction(QStringLiteral("すべてチェッククリア(&C)"), this,
                               [this] { CheckAllTracks(false); });
    PopupMenuCDList->addAction(QStringLiteral("ファイル名変更...(&E)"), this,
                               [this] { EditTrackFileName(); });
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        if (!m_recording)
            PopupMenuCDList->popup(ListView1->viewport()->mapToGlobal(at));
    });

    cmbDrives = new QComboBox(this);
    cmbDrives->setObjectName(QStringLiteral("cmbDrives"));
    cmbDrives->setGeometry(PaintBoxRecord->logicalRect(QRect(12, 62, 255, 20)));
    cmbDrives->setStyleSheet(QStringLiteral("QComboBox { background: aqua; color: black; }"));

    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(PaintBoxRecord->logicalRect(QRect(126, 19, 59, 20)));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFont(skinFont(PaintBoxRecord, "IPAPGothic"));
    Panel1->setStyleSheet(QStringLiteral("QLabel { background: navy; color: aqua; }"));
}

void TRecordDlg::createSkin()
{
    const SkinLayout::Window &layout = SkinLayout::cdDialog();
    loadSkinButtons(*m_buttons, PaintBoxRecord, layout,
                    [](std::size_t i, const SkinLayout::Button &) {
                        return SkinButtonHint{QString::fromUtf8(ButtonHints[i].off),
                                              QString::fromUtf8(ButtonHints[i].on)};
                    });
    const QString thumb = SkinImage::skinFilePath(SkinLayout::ThumbFile);
    for (const SkinLayout::Slider &s : layout.sliders) {
        auto slider = std::make_unique<TLxSlider>();
        slider->Init(s.name, PaintBoxRecord, s.x, s.y, s.length, s.vertical,
                     &m_buttons->GetBackground(), thumb);
        slider->Hint =
            s.name == u"SLIDER_VOLUME" ? QStringLiteral("音量") : QStringLiteral("再生位置");
        slider->SetRange(0, 100);
        slider->SetValue(0);
        m_sliders->AddSlider(std::move(slider));
    }
}

bool TRecordDlg::hasDrives()
{
    // Opening a drive can wait for its disc to spin up: the dialog is made at start-up, so
    // the drives are looked for only when it is first wanted, and again while none was found
    // (a drive plugged in later, an image listed later).
    if (!m_drives.empty())
        return true;
    m_drives = quillmere::audio::listCdDrives();
    for (const quillmere::audio::CdDrive &drive : m_drives)
        cmbDrives->addItem(drive.letter + QStringLiteral(": ") + drive.description);
    cmbDrives->setCurrentIndex(m_drives.empty() ? -1 : 0);
    return !m_drives.empty();
}

void TRecordDlg::SetRecordingOptions(const QString &folder, bool inhibitOverwrite, bool autoEnter)
{
    RecordFolder = folder;
    InhibitOverwrite = inhibitOverwrite;
    AutoEnter = autoEnter;
}

void TRecordDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    centreOnScreen(*this);
    hasDrives();
    FormShow();
}

void TRecordDlg::FormPaint()
{
    const QImage &background = m_buttons->GetBackground();
    SkinImage::copyArea(PaintBoxRecord->canvas(), background, background.rect(), QPoint(0, 0));
    m_buttons->DrawAll();
    m_sliders->DrawAll(background.rect());
    PaintBoxRecord->canvasChanged();
}

SkinPaintBox::Hint TRecordDlg::ShowHintHandler(QPoint pos) const
{
    SkinPaintBox::Hint hint;
    if (const TLxButton *button = m_buttons->ButtonAt(pos.x(), pos.y())) {
        const auto *toggle = dynamic_cast<const TLxToggleButton *>(button);
        hint.text = toggle && toggle->IsOn() ? toggle->OnHint : button->Hint;
        hint.area = button->GetImageRect().area();
    } else if (const TLxSlider *slider = m_sliders->SliderAt(pos.x(), pos.y())) {
        hint.text = slider->Hint + QStringLiteral(": %1").arg(slider->GetValue());
        hint.area = slider->GetThumbArea();
    }
    return hint;
}

void TRecordDlg::setButtonEnabled(QStringView name, bool enabled)
{
    if (TLxButton *button = m_buttons->Find(name))
        button->SetEnabled(enabled);
}

void TRecordDlg::setToggle(QStringView name, bool on)
{
    if (m_buttons->IsOn(name) != on) {
        m_buttons->Toggle(name);
        FormPaint();
    }
}

void TRecordDlg::PaintBoxRecordMouseDown(QPoint pos)
{
    const bool onButton = m_buttons->PressAt(pos.x(), pos.y()) > 0;
    const bool onSlider = !onButton && m_sliders->PressAt(pos.x(), pos.y()) > 0;
    // On Wayland only the compositor can move a window; elsewhere it follows the mouse.
    Dragging = !onButton && !onSlider && !DesktopWindow::startSystemMove(*this);
    if (Dragging)
        DragStart = pos;
    PaintBoxRecord->canvasChanged();
}

void TRecordDlg::PaintBoxRecordMouseMove(QPoint pos)
{
    if (Dragging) {
        move(x() + pos.x() - DragStart.x(), y() + pos.y() - DragStart.y());
        return;
    }
    const TLxSlider *slider = m_sliders->DragTo(pos.x(), pos.y(), false);
    if (!slider)
        return;
    if (slider->Name == u"SLIDER_POSITION") {
        if (auto *stream = currentStream())
            m_services.backend.setPositionBytes(stream->channel(),
                                                quillmere::secondsToBytes(slider->GetValue()));
    } else if (slider->Name == u"SLIDER_VOLUME" && m_services.setVolume) {
        m_services.setVolume(slider->GetValue());
    }
}

void TRecordDlg::PaintBoxRecordMouseUp(QPoint)
{
    Dragging = false;
    const TLxButton *released = m_buttons->Release();
    const TLxSlider *slider = m_sliders->Release();
    PaintBoxRecord->canvasChanged();
    if (released) {
        if (released->Name == u"BUTTON_RETURN") {
            PrepareClose();
            done(1);
            return;
        }
        onButtonReleased(released->Name);
    }
    if (slider && slider->Name == u"SLIDER_VOLUME" && m_services.setVolume)
        m_services.setVolume(slider->GetValue());
}

void TRecordDlg::onButtonReleased(QStringView name)
{
    if (name == u"BUTTON_CD") {
        cmbDrivesChange();
    } else if (name == u"BUTTON_CHECK_ON") {
        CheckAllTracks(true);
    } else if (name == u"BUTTON_CHECK_OFF") {
        CheckAllTracks(false);
    } else if (name == u"BUTTON_EDIT_FILENAME") {
        EditTrackFileName();
    } else if (name == u"BUTTON_PLAY_CD") {
        TogglePlayback(false);
    } else if (name == u"BUTTON_CD_HELP") {
        if (m_services.showHelp)
            m_services.showHelp();
    } else if (name == u"BUTTON_RECORD") {
        if (m_buttons->IsOn(name))
            runRecording();
        else
            stopRecording();
    }
}

void TRecordDlg::cmbDrivesChange()
{
    if (m_recording)
        return;
    CurrentDrive = std::max(0, cmbDrives->currentIndex());
    UpdateTrackList();
}

void TRecordDlg::reject()
{
    PrepareClose();
    done(1);
}

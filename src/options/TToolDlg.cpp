// TToolDlg: the window, the pages "再生" and "録音", and the recording folder.
#include "options/TToolDlg.h"

#include "common/OptionRanges.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

namespace {

QLineEdit *readOnlyField(const QString &text)
{
    auto *field = new QLineEdit(text);
    field->setReadOnly(true);
    // Tab goes from control to control the user can change; the fields only show values.
    field->setFocusPolicy(Qt::NoFocus);
    field->setAlignment(Qt::AlignRight);
    field->setFixedWidth(44);
    return field;
}

QGroupBox *group(const QString &caption, QLayout *content)
{
    auto *box = new QGroupBox(caption);
    box->setLayout(content);
    return box;
}

QCheckBox *checkedBox(const QString &caption)
{
    auto *box = new QCheckBox(caption);
    box->setChecked(true);
    return box;
}

// Keeps a read-only field showing what its track bar stands for.
void showValue(QSlider *bar, QLineEdit *field, int scale, int offset)
{
    auto update = [bar, field, scale, offset] {
        field->setText(QString::number(bar->value() * scale + offset));
    };
    QObject::connect(bar, &QSlider::valueChanged, field, update);
    update();
}

} // namespace

TToolDlg::TToolDlg(const QStringList &pluginFormats, std::unique_ptr<ClassRegistry> registry,
                   MessagePresenter &messages, QWidget *parent)
    : QDialog(parent), m_registry(std::move(registry)), m_messages(messages)
{
    setObjectName(QStringLiteral("ToolDlg"));
    setWindowTitle(QStringLiteral("設定"));
    setMinimumSize(457, 301);

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(createPlayPage(), QStringLiteral("再生"));
    PageControl1->addTab(createRecordPage(), QStringLiteral("録音"));
    PageControl1->addTab(createAssociationPage(pluginFormats), QStringLiteral("ファイル関連付け"));

    OKBtn = new QPushButton(QStringLiteral("OK"));
    CancelBtn = new QPushButton(QStringLiteral("キャンセル"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
}

TToolDlg::~TToolDlg() = default;

QSlider *TToolDlg::addTrackBar(QGridLayout *grid, int row, int min, int max, QLineEdit *&field,
                               const QString &unit)
{
    auto *bar = new QSlider(Qt::Horizontal);
    bar->setRange(min, max);
    bar->setPageStep(std::max(1, (max - min) / 10));
    field = readOnlyField(QString());
    grid->addWidget(bar, row, 0, 1, 2);
    grid->addWidget(field, row, 2);
    grid->addWidget(new QLabel(unit), row, 3);
    return bar;
}

// The pause before each A-B repeat, in tenths of a second, and the clicks that count in during
// it at the tempo tapped with T in the main window.
QLayout *TToolDlg::createBreathGroup()
{
    auto *grid = new QGridLayout;
    TrackBarBreath =
        addTrackBar(grid, 0, OptionRanges::BreathOfRepeat.min, OptionRanges::BreathOfRepeat.max,
                    EditBreath, QStringLiteral("秒"));
    TrackBarBreath->setTickPosition(QSlider::TicksBelow);
    TrackBarBreath->setTickInterval(10);
    auto showSeconds = [this] {
        EditBreath->setText(QString::number(TrackBarBreath->value() / 10.0, 'f', 1));
    };
    connect(TrackBarBreath, &QSlider::valueChanged, EditBreath, showSeconds);
    showSeconds();
    SpinCountIn = new QSpinBox;
    SpinCountIn->setObjectName(QStringLiteral("SpinCountIn"));
    SpinCountIn->setRange(OptionRanges::CountInClicks.min, OptionRanges::CountInClicks.max);
    SpinCountIn->setSpecialValueText(QStringLiteral("なし"));
    grid->addWidget(new QLabel(QStringLiteral("カウント（T キーでテンポを指定）")), 1, 0, 1, 2);
    grid->addWidget(SpinCountIn, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("回")), 1, 3);
    return grid;
}

QWidget *TToolDlg::createPlayPage()
{
    using namespace OptionRanges;
    auto speedLimit = [this](const QString &slow, const QString &fast, int min, int max,
                             QSlider *&bar, QLineEdit *&field) {
        auto *grid = new QGridLayout;
        grid->addWidget(new QLabel(slow), 0, 0);
        auto *right = new QLabel(fast);
        right->setAlignment(Qt::AlignRight);
        grid->addWidget(right, 0, 1);
        bar = addTrackBar(grid, 1, min, max, field, QStringLiteral("%"));
        // The labels stand at the two ends of the track bar.
        grid->setColumnStretch(1, 1);
        return grid;
    };
    auto step = [this](int max, QSlider *&bar, QLineEdit *&field, const QString &unit) {
        auto *grid = new QGridLayout;
        grid->addWidget(new QLabel(QStringLiteral("増減値")), 0, 0, 1, 4);
        bar = addTrackBar(grid, 1, 1, max, field, unit);
        bar->setTickPosition(QSlider::TicksBelow);
        return grid;
    };

    auto *minGrid =
        speedLimit(QStringLiteral("1/4倍速"), QStringLiteral("1/2倍速"), 0,
                   MinOfSpeed.max + MinSpeedTrackOffset, TrackBarMinSpeed, EditSpeedMin);
    auto *maxGrid = speedLimit(QStringLiteral("1.5倍速"), QStringLiteral("4倍速"), MaxOfSpeed.min,
                               MaxOfSpeed.max, TrackBarMaxSpeed, EditSpeedMax);
    TrackBarMaxSpeed->setValue(MaxOfSpeed.max);
    auto *speedGrid = step(DeltaOfSpeed.max, TrackBarSpeed, EditSpeed, QStringLiteral("%"));
    TrackBarSpeed->setTickInterval(5);
    auto *pitchGrid = step(DeltaOfPitch.max, TrackBarPitch, EditPitch, QStringLiteral("半音"));

    CheckSpecPeaks = checkedBox(QStringLiteral("ピーク遅延表示"));
    auto *peaks = new QVBoxLayout;
    peaks->addWidget(CheckSpecPeaks);
    peaks->addStretch();

    auto *sleepGrid = new QGridLayout;
    TrackBarSleepTimer = addTrackBar(sleepGrid, 0, PlayTimer.min, PlayTimer.max, EditSleepTimer,
                                     QStringLiteral("分"));
    TrackBarSleepTimer->setTickPosition(QSlider::TicksBelow);
    sleepGrid->addWidget(new QLabel(QStringLiteral("※0の場合は再生の停止はしない")), 1, 0, 1, 4);

    showValue(TrackBarMinSpeed, EditSpeedMin, 1, -MinSpeedTrackOffset);
    showValue(TrackBarMaxSpeed, EditSpeedMax, 1, 0);
    showValue(TrackBarSpeed, EditSpeed, 1, 0);
    showValue(TrackBarPitch, EditPitch, 1, 0);
    showValue(TrackBarSleepTimer, EditSleepTimer, 10, 0);

    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    auto *grid = new QGridLayout(page);
    grid->addWidget(group(QStringLiteral("最小速度"), minGrid), 0, 0);
    grid->addWidget(group(QStringLiteral("最大速度"), maxGrid), 0, 1);
    grid->addWidget(group(QStringLiteral("速度"), speedGrid), 1, 0);
    grid->addWidget(group(QStringLiteral("ピッチ"), pitchGrid), 1, 1);
    grid->addWidget(group(QStringLiteral("スペクトラム表示"), peaks), 2, 0);
    grid->addWidget(group(QStringLiteral("連続再生タイマー（分）"), sleepGrid), 2, 1);
    grid->addWidget(group(QStringLiteral("リピート前の休み"), createBreathGroup()), 3, 0, 1, 2);
    return page;
}

QWidget *TToolDlg::createRecordPage()
{
    EditSaveDir = new QLineEdit;
    EditSaveDir->setReadOnly(true);
    EditSaveDir->setFocusPolicy(Qt::NoFocus);
    Button1 = new QPushButton(QStringLiteral("参照..."));
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TToolDlg::Button1Click);
    auto *folder = new QHBoxLayout;
    folder->addWidget(EditSaveDir);
    folder->addWidget(Button1);

    CheckBoxInhibitOverWrite =
        checkedBox(QStringLiteral("録音開始時同一ファイルがある場合録音しない"));
    CheckBoxAutoEnter = checkedBox(QStringLiteral("録音完了時プレイリストに登録する"));
    auto *overwrite = new QVBoxLayout;
    overwrite->addWidget(CheckBoxInhibitOverWrite);
    auto *autoEnter = new QVBoxLayout;
    autoEnter->addWidget(CheckBoxAutoEnter);

    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(group(QStringLiteral("録音ファイル保存先"), folder));
    layout->addWidget(group(QStringLiteral("録音ファイル上書き禁止"), overwrite));
    layout->addWidget(group(QStringLiteral("プレイリスト自動登録"), autoEnter));
    layout->addStretch();
    return page;
}

void TToolDlg::Button1Click()
{
    // Qt's folder dialog lets the user make a new folder inside the one shown.
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("録音ファイル保存先"), RecordingDir, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return;
    QString folder = QDir::toNativeSeparators(chosen);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    EditSaveDir->setText(folder);
    RecordingDir = folder;
}

void TToolDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    RefreshAssociations();
}

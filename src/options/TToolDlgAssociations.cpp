// TToolDlg: the page "ファイル関連付け", which makes the player the desktop's default for
// kinds of audio files. The desktop's own settings are the state: the page reads them at
// every showing and after every apply.
#include "options/TToolDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char *const BuiltInTypes[][2] = {
    {"mp3", "MP3 (*.mp3)"},  {"mp2", "MP2 (*.mp2)"},        {"mp1", "MP1 (*.mp1)"},
    {"wav", "Wave (*.wav)"}, {"ogg", "Ogg Vorbis (*.ogg)"}, {"aif", "AIFF (*.aif)"},
};

// A plug-in row without a format keeps blanks: its box then stays disabled.
const QString UnusedPluginCaption(24, u' ');

constexpr int RowSpacing = 24;

} // namespace

QWidget *TToolDlg::createAssociationPage(const QStringList &pluginFormats)
{
    auto *rows = new QGridLayout;
    rows->setVerticalSpacing(0);
    auto addRow = [&](int row, int column, const QString &boxName, const QString &labelName,
                      const QString &caption) {
        AssociationRow r{new QCheckBox, new QLabel(caption)};
        r.box->setObjectName(boxName);
        r.label->setObjectName(labelName);
        r.label->setBuddy(r.box);
        r.box->setMinimumHeight(RowSpacing);
        rows->addWidget(r.box, row, column * 2);
        rows->addWidget(r.label, row, column * 2 + 1);
        AssociationRows.push_back(r);
    };
    for (int i = 0; i < 6; ++i) {
        const QString ext = QLatin1String(BuiltInTypes[i][0]);
        addRow(i, 0, QStringLiteral("CheckBox_") + ext, QStringLiteral("Label_") + ext,
               QString::fromUtf8(BuiltInTypes[i][1]));
    }
    for (int i = 0; i < PluginRows; ++i)
        addRow(i, 1, QStringLiteral("CheckBoxPlugin%1").arg(i + 1),
               QStringLiteral("Label_plugin%1").arg(i + 1),
               i < pluginFormats.size() ? pluginFormats[i] : UnusedPluginCaption);
    rows->setColumnStretch(1, 1);
    rows->setColumnStretch(3, 1);

    ButtonRegist = new QPushButton(QStringLiteral("適用"));
    ButtonRegist->setAutoDefault(false);
    connect(ButtonRegist, &QPushButton::clicked, this, &TToolDlg::ButtonRegistClick);
    auto *apply = new QHBoxLayout;
    apply->addStretch();
    apply->addWidget(ButtonRegist);

    auto *types = new QGroupBox(QStringLiteral("オーディオ・ファイルの種類"));
    types->setLayout(rows);
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet4"));
    auto *layout = new QVBoxLayout(page);
    auto *heading = new QLabel(
        QStringLiteral("Quillmere Audio Player を既定のプレーヤーとするファイルを選択します。"));
    heading->setObjectName(QStringLiteral("Label21"));
    layout->addWidget(heading);
    layout->addWidget(types);
    layout->addLayout(apply);
    layout->addStretch();
    return page;
}

void TToolDlg::ShowAssociationState(QCheckBox *box, const QString &caption)
{
    box->setToolTip(QString());
    ClassRegistry::State state = ClassRegistry::State::NotRegistered;
    if (caption.trimmed().isEmpty() || !m_registry->QueryFromCaption(caption, state)) {
        box->setChecked(false);
        box->setEnabled(false);
        return;
    }
    if (state == ClassRegistry::State::UnknownType) {
        box->setChecked(false);
        box->setEnabled(false);
        box->setToolTip(
            QStringLiteral("この種類のファイルを示す MIME タイプがシステムに登録されていないため、"
                           "関連付けできません。"));
        return;
    }
    // An association in place shows ticked and greyed: this page does not take one away.
    const bool registered = state == ClassRegistry::State::Registered;
    box->setChecked(registered);
    box->setEnabled(!registered);
}

void TToolDlg::RefreshAssociations()
{
    for (const AssociationRow &row : AssociationRows)
        ShowAssociationState(row.box, row.label->text());
}

void TToolDlg::ButtonRegistClick()
{
    for (const AssociationRow &row : AssociationRows) {
        if (!row.box->isEnabled() || !row.box->isChecked())
            continue;
        QString error;
        if (!m_registry->RegisterFromCaption(row.label->text().trimmed(), error)) {
            // One box for the whole apply: the rows after a failure are left as they were.
            m_messages.show(QStringLiteral("ファイルの関連付けを設定できませんでした。\n") + error,
                            MessagePresenter::Icon::Error, MessagePresenter::Ok);
            break;
        }
    }
    RefreshAssociations();
}

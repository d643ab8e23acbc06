#pragma once

#include "skinwidgets/SkinPaintBox.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QLineEdit;
class TLxButtonMng;

// The properties of one play-list entry: path, playing time, number of A-B sections and audio
// format. The save button picks a new name or folder for the entry's file, but the dialog only
// shows it (EditFilePath against EditOldFilePath); the caller renames the file after OK.
// Frameless: the skin is dragged to move the window. Result 1 = OK, 2 = cancel, also for
// Escape. Built once and reused for every entry. UI thread only.
class TPlayPropertyDlg : public QDialog {
public:
    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = 2;

    // Runs the file-save dialog with the file name preset; the chosen full path, or empty when
    // the user cancels.
    using SaveFileChooser = std::function<QString(QWidget *parent, const QString &preset)>;

    // Throws SkinFileError when a skin image of the dialog is missing.
    explicit TPlayPropertyDlg(QWidget *parent = nullptr);
    ~TPlayPropertyDlg() override;

    // Shows one entry: path in both path fields and as the save dialog's preset, and the texts
    // of its length (bytes), section count and format.
    void fill(const QString &path, qint64 lengthBytes, int sectionCount, const QString &formatText);

    QString SaveFileName() const { return m_saveFileName; }
    void SetSaveFileName(const QString &name) { m_saveFileName = name; }

    TLxButtonMng &ButtonMng() const { return *m_buttons; }
    SkinPaintBox::Hint ShowHintHandler(QPoint pos) const;

    // Replaceable so that the save button can run without a modal file dialog.
    SaveFileChooser chooseSaveFile;

    SkinPaintBox *PaintBox1 = nullptr;
    QLineEdit *EditFilePath = nullptr;
    QLineEdit *EditOldFilePath = nullptr; // hidden: the path the dialog was filled with
    QLineEdit *EditFileLength = nullptr;
    QLineEdit *EditABCount = nullptr;
    QLineEdit *EditMisc = nullptr;

    bool Dragging = false;
    QPoint DragStart; // skin pixels of PaintBox1

    void FormCreate();
    void FormPaint();
    void FormShow();
    // Positions in skin pixels of PaintBox1.
    void PaintBox1MouseDown(QPoint pos);
    void PaintBox1MouseMove(Qt::MouseButtons buttons, QPoint pos);
    void PaintBox1MouseUp(QPoint pos);

    // Escape and closing the window cancel with 2, as the cancel button does.
    void reject() override;
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override; // centres the window

private:
    void createChildren();
    QLineEdit *addField(const char *name, const QRect &skinRect, bool onWhite);
    void runSaveDialog();

    std::unique_ptr<TLxButtonMng> m_buttons;
    QString m_saveFileName;
};

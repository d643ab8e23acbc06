#pragma once

#include "skinwidgets/SkinPaintBox.h"

#include <QDialog>

#include <memory>

class QLineEdit;
class TLxButtonMng;

// The file name under which one CD track is recorded, editable, with the track's length.
// Frameless: the skin is dragged to move the window. Result 1 = OK, 2 = cancel; Enter and
// Escape do not close it. Built once and reused. UI thread only.
class TCDPropertyDlg : public QDialog {
public:
    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = 2;

    // Throws SkinFileError when a skin image of the dialog is missing.
    explicit TCDPropertyDlg(QWidget *parent = nullptr);
    ~TCDPropertyDlg() override;

    TLxButtonMng &ButtonMng() const { return *m_buttons; }
    SkinPaintBox::Hint ShowHintHandler(QPoint pos) const;

    SkinPaintBox *PaintBox1 = nullptr;
    QLineEdit *EditFileName = nullptr;
    QLineEdit *EditFileLength = nullptr;

    bool Dragging = false;
    QPoint DragStart; // skin pixels of PaintBox1

    void FormCreate();
    void FormPaint();
    void FormShow();
    void PaintBox1MouseDown(QPoint pos);
    void PaintBox1MouseMove(Qt::MouseButtons buttons, QPoint pos);
    void PaintBox1MouseUp(QPoint pos);

    void reject() override {} // no keyboard cancel
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override; // centres the window
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *addField(const char *name, const QRect &skinRect, bool editable);
    std::unique_ptr<TLxButtonMng> m_buttons;
};

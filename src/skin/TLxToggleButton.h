#pragma once

#include "skin/TLxButton.h"

// A two-state skin button: off (0) when created; drawn from the on images while on.
// UI thread only.
class TLxToggleButton : public TLxButton {
public:
    bool IsToggle() const override { return true; }
    void Draw(QImage &canvas, const QImage &offImage, const QImage &onImage) const override;

    bool IsOn() const { return m_isOn == 1; }
    // 0 becomes 1, anything else becomes 0.
    void Toggle() { m_isOn = m_isOn == 0 ? 1 : 0; }

    QString OnHint; // the hint while on

private:
    int m_isOn = 0;
};

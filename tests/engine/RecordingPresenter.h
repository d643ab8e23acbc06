#pragma once

#include "common/MessagePresenter.h"

#include <QStringList>

// Message boxes in tests: remembers every text and answers with the first offered button.
class RecordingPresenter : public MessagePresenter {
public:
    QStringList texts;
    QList<Icon> icons;
    Button show(const QString &text, Icon icon, int buttons) override
    {
        texts << text;
        icons << icon;
        for (Button b : {Ok, Cancel, Abort, Yes, No}) {
            if (buttons & b)
                return b;
        }
        return Ok;
    }
};

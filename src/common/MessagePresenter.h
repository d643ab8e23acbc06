#pragma once

#include <QString>

// Message boxes, as the model and engine code see them: the windows implement this with real
// boxes, tests with a recorder. UI thread only.
class MessagePresenter {
public:
    enum class Icon { Error, Information, Warning, Question };
    enum Button { Ok = 1, Cancel = 2, Abort = 4, Yes = 8, No = 16 };

    virtual ~MessagePresenter() = default;
    // Shows the text with the icon and buttons (an OR of Button values); returns the button
    // the user chose.
    virtual Button show(const QString &text, Icon icon, int buttons) = 0;
};

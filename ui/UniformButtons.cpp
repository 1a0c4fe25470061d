#include "UniformButtons.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QVariant>

#include <algorithm>

namespace {

bool hasIconPadding(const QPushButton *button)
{
    for (const char *property : {"BtnWhite", "BtnYellow", "BtnOffWhite", "BtnMenu"}) {
        if (button->property(property).toBool())
            return true;
    }
    return false;
}

} // namespace

int UniformButtons::RequiredWidth(const QPushButton *button)
{
    const int hint = button->sizeHint().width();
    if (!hasIconPadding(button))
        return hint;
    QString text = button->text();
    text.remove(QLatin1Char('&'));
    const int iconWidth = button->icon().isNull() ? 0 : button->iconSize().width() + 8;
    const int rightMargin = 16;
    return std::max(hint, IconPadding + iconWidth + button->fontMetrics().horizontalAdvance(text) + rightMargin);
}

void UniformButtons::Equalise(const QList<QPushButton *> &buttons)
{
    int width = 0;
    int height = MinimumHeight;
    for (const QPushButton *button : buttons) {
        width = std::max(width, RequiredWidth(button));
        height = std::max(height, button->sizeHint().height());
    }
    for (QPushButton *button : buttons) {
        if (button->minimumWidth() != width || button->minimumHeight() != height)
            button->setMinimumSize(width, height);
    }
}

void UniformButtons::MakeRoomForIconPadding(QPushButton *button)
{
    const int width = RequiredWidth(button);
    if (button->minimumWidth() != width)
        button->setMinimumWidth(width);
}

void UniformButtons::FitEach(const QList<QPushButton *> &buttons, int extraWidth)
{
    for (QPushButton *button : buttons) {
        const QSize wanted(RequiredWidth(button) + extraWidth, std::max(button->sizeHint().height(), MinimumHeight));
        if (button->minimumSize() != wanted)
            button->setMinimumSize(wanted);
    }
}

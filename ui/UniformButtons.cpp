#include "UniformButtons.h"

#include <QFontMetrics>
#include <QPushButton>

#include <algorithm>

void UniformButtons::Equalise(const QList<QPushButton *> &buttons)
{
    int width = 0;
    int height = MinimumHeight;
    for (const QPushButton *button : buttons) {
        const QSize hint = button->sizeHint();
        width = std::max(width, hint.width());
        height = std::max(height, hint.height());
    }
    for (QPushButton *button : buttons) {
        if (button->minimumWidth() != width || button->minimumHeight() != height)
            button->setMinimumSize(width, height);
    }
}

void UniformButtons::MakeRoomForIconPadding(QPushButton *button)
{
    QString text = button->text();
    text.remove(QLatin1Char('&'));
    const int iconWidth = button->icon().isNull() ? 0 : button->iconSize().width() + 8;
    const int rightMargin = 16;
    const int width = IconPadding + iconWidth + button->fontMetrics().horizontalAdvance(text) + rightMargin;
    if (button->minimumWidth() != width)
        button->setMinimumWidth(width);
}

#include "UniformButtons.h"

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

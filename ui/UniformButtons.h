#pragma once

#include <QList>

class QPushButton;

// Gives a group of buttons one common minimum size: the widest and the
// tallest size hint among them, never lower than MinimumHeight. Dialogs call
// it on every layout request so that translated texts never clip a button.
class UniformButtons
{
public:
    static constexpr int MinimumHeight = 40;

    static void Equalise(const QList<QPushButton *> &buttons);

    // Gives a button whose style reserves a wide left padding for its icon
    // enough minimum width for that padding, the icon and the whole text.
    static void MakeRoomForIconPadding(QPushButton *button);

    // Left padding the icon styles reserve (BtnWhite, BtnYellow, ...).
    static constexpr int IconPadding = 45;
};

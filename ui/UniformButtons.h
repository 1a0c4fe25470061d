#pragma once

#include <QList>

class QPushButton;

// Gives a group of buttons one common minimum size: the widest and the
// tallest need among them, never lower than MinimumHeight. Dialogs call it on
// every layout request so that translated texts never clip a button.
class UniformButtons
{
public:
    static constexpr int MinimumHeight = 40;
    // Left padding the icon styles (BtnWhite, BtnYellow, BtnOffWhite,
    // BtnMenu) reserve for the icon.
    static constexpr int IconPadding = 45;

    static void Equalise(const QList<QPushButton *> &buttons);

    // Gives one button the minimum width its text, icon and style need.
    static void MakeRoomForIconPadding(QPushButton *button);

    // Gives each button its own minimum size: the width it needs plus
    // extraWidth, and at least MinimumHeight.
    static void FitEach(const QList<QPushButton *> &buttons, int extraWidth);

    // The width a button needs: its size hint, or, for the icon styles,
    // enough for the wide left padding, the icon and the whole text.
    static int RequiredWidth(const QPushButton *button);
};

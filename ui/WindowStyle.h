#pragma once

#include <QString>

class QWidget;

// The look of every window in one place: the application style sheet that the
// main window installs, the style of the small dialogs, and the border styles
// of the device status window. Buttons are styled by boolean dynamic
// properties (BtnWhite, BtnYellowNoIcon, ...), so the property, not the object
// name, decides how a button looks.
class WindowStyle
{
public:
    // Installed once on the whole application by the main window.
    static QString ApplicationStyleSheet();

    // Dark background, grey labels, flat property-styled buttons; set on each
    // dialog so that it keeps its look even when shown on its own.
    static QString DialogStyleSheet();

    // Style of a device status field whose state is 2 (warning) or 3 (error);
    // an empty text for every other state.
    static QString FieldStateStyle(int state);

    // Window icon of every dialog.
    static QString WindowIconPath();

    // Gives each dialog the icon and the dialog style.
    static void ApplyDialogLook(QWidget *dialog);
};

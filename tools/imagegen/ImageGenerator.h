#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QVector>

// Draws every picture and icon of the program. Each picture is the project's
// own simple vector art: a dark grey field, grey and white strokes and the
// yellow accent of the windows.
class ImageGenerator
{
public:
    // Registers the bold font used for lettering (optional: without it the
    // platform's default font is used).
    static void LoadLetteringFont(const QString &fontPath);

    // Writes every file into `outputDir`; returns the names that could not be
    // written (empty on success).
    static QStringList WriteAll(const QString &outputDir);

    static QImage Splash(const QSize &size);
    static QImage TransferPicture(bool download, bool enabled);
    static QImage ButtonIcon(const QString &name);
    static QImage LogoMark(int size, const QString &letters);
    static QImage Logo();

    // File names of the 32 x 32 button icons, without folder.
    static QStringList ButtonIconNames();
    // The program's desktop icon: its sizes and its path below the output
    // folder, "icons/hicolor/<size>x<size>/apps/tessaro.png".
    static QVector<int> ProgramIconSizes();
    static QString ProgramIconName(int size);
};

#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Registers the application fonts from their resource files.
class FontLoader
{
public:
    // The resource folder and the ten OpenSans files, in loading order.
    static QString ResourceFolder();
    static QStringList FontFileNames();

    // Opens each file, reads it whole and registers it from its bytes. A file
    // that cannot be opened or registered calls `warn` (at most once for the
    // whole list); loading goes on with the next file. Returns the number of
    // files that failed.
    static int LoadFonts(const QString &folder, const QStringList &fileNames,
                         const std::function<void()> &warn);

    // The family under which the application font is registered: the name
    // the font file itself declares for "OpenSans-Light.ttf" when registered,
    // else "OpenSans-Light".
    static QString ApplicationFontFamily();
};

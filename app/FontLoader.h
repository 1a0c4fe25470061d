#pragma once

#include <QFont>
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

    // The application font: the Light face of OpenSans, 10 points, normal
    // weight, not italic. The file registers under the family the font itself
    // declares ("Open Sans", style "Light"); asking for "OpenSans-Light" would
    // silently fall back to another typeface, so the declared names are used
    // once the file is registered.
    static QFont ApplicationFont();
};

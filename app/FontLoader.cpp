#include "FontLoader.h"

#include <QFile>
#include <QFontDatabase>

namespace {
QString g_lightFamily;
}

QString FontLoader::ResourceFolder()
{
    return QStringLiteral(":/QtShared/Fonts/");
}

QStringList FontLoader::FontFileNames()
{
    return {
        QStringLiteral("OpenSans-Bold.ttf"),     QStringLiteral("OpenSans-BoldItalic.ttf"),
        QStringLiteral("OpenSans-ExtraBold.ttf"), QStringLiteral("OpenSans-ExtraBoldItalic.ttf"),
        QStringLiteral("OpenSans-Italic.ttf"),   QStringLiteral("OpenSans-Light.ttf"),
        QStringLiteral("OpenSans-LightItalic.ttf"), QStringLiteral("OpenSans-Regular.ttf"),
        QStringLiteral("OpenSans-Semibold.ttf"), QStringLiteral("OpenSans-SemiboldItalic.ttf"),
    };
}

int FontLoader::LoadFonts(const QString &folder, const QStringList &fileNames,
                          const std::function<void()> &warn)
{
    int failures = 0;
    bool warned = false;
    for (const QString &name : fileNames) {
        QFile file(folder + name);
        int id = -1;
        if (file.open(QIODevice::ReadOnly))
            id = QFontDatabase::addApplicationFontFromData(file.readAll());
        if (id == -1) {
            ++failures;
            if (!warned && warn) {
                warned = true;
                warn();
            }
            continue;
        }
        if (name == QLatin1String("OpenSans-Light.ttf")) {
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty())
                g_lightFamily = families.first();
        }
    }
    return failures;
}

QFont FontLoader::ApplicationFont()
{
    if (g_lightFamily.isEmpty())
        return QFont(QStringLiteral("OpenSans-Light"), 10, QFont::Normal, false);
    QFont font(g_lightFamily, 10, QFont::Normal, false);
    font.setStyleName(QStringLiteral("Light"));
    return font;
}

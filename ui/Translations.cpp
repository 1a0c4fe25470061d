#include "Translations.h"

#include <QCoreApplication>

namespace {
const QString programPrefix = QStringLiteral("Tessaro_");
}

QString Translations::Folder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
}

QString Translations::FilePattern()
{
    return programPrefix + QStringLiteral("*.qm");
}

QString Translations::ProgramBaseName(const QString &languageCode)
{
    return programPrefix + languageCode;
}

QString Translations::ToolkitBaseName(const QString &languageCode)
{
    return QStringLiteral("qt_") + languageCode;
}

QString Translations::LanguageCodeFromFileName(const QString &fileName)
{
    QString code = fileName;
    const int dot = code.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        code.truncate(dot);
    const int underscore = code.indexOf(QLatin1Char('_'));
    return code.mid(underscore + 1);
}

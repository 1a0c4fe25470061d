#include "DownloadFolder.h"

#include "AppSettings.h"

#include <QDir>

namespace DownloadFolder {

QString Resolve(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return QDir::cleanPath(AppSettings::DefaultValue(AppSettings::Key::DownloadDirectory).toString());
    const QString home = QDir::homePath();
    if (text == QLatin1String("~"))
        return QDir::cleanPath(home);
    if (text.startsWith(QLatin1String("~/")))
        return QDir::cleanPath(home + text.mid(1));
    if (QDir::isAbsolutePath(text))
        return QDir::cleanPath(text);
    return QDir::cleanPath(home + QLatin1Char('/') + text);
}

QString Current()
{
    return Resolve(AppSettings::StringValue(AppSettings::Key::DownloadDirectory));
}

QString Store(const QString &typed)
{
    const QString folder = Resolve(typed);
    AppSettings::SetValue(AppSettings::Key::DownloadDirectory, folder);
    return folder;
}

} // namespace DownloadFolder

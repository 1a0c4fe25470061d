#pragma once

#include <QString>
#include <QStringList>

// The maker's addresses and contact details, shown in the About window and
// opened by the help, web-site and logo buttons.
namespace MakerDetails {
inline const QString HomePageUrl = QStringLiteral("https://www.quor-rebreathers.com");
inline const QString HomePageText = QStringLiteral("www.quor-rebreathers.com");
inline const QString SupportPageUrl = QStringLiteral("https://www.quor-rebreathers.com/support");

// Company name, postal address lines, country, telephone and fax, one per line.
inline const QStringList ContactLines = {
    QStringLiteral("Quor Rebreathers Ltd"),
    QStringLiteral("Unit 4, Harbour Works"),
    QStringLiteral("Quay Road"),
    QStringLiteral("Falmouth TR11 0QR"),
    QStringLiteral("United Kingdom"),
    QStringLiteral("Tel: +44 (0)1326 000 100"),
    QStringLiteral("Fax: +44 (0)1326 000 101"),
};
}

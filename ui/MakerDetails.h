#pragma once

#include "UddfConstants.h"

#include <QString>
#include <QStringList>

// The maker's addresses and contact details, shown in the About window and
// opened by the help, web-site and logo buttons. The company details are the
// ones the UDDF files name, kept in one place.
namespace MakerDetails {
inline const QString HomePageUrl = UddfConstants::MakerHomepage;
inline const QString HomePageText = QStringLiteral("www.quor-rebreathers.com");
inline const QString SupportPageUrl = UddfConstants::MakerHomepage + QStringLiteral("/support");

// Company name, postal address lines and country, one per line; the About
// window adds the telephone and fax numbers under translated captions.
inline const QStringList AddressLines = {
    UddfConstants::MakerName,
    UddfConstants::MakerStreet,
    UddfConstants::MakerCity + QLatin1Char(' ') + UddfConstants::MakerPostcode,
    UddfConstants::MakerCountry,
};
inline const QString Phone = UddfConstants::MakerPhone;
inline const QString Fax = UddfConstants::MakerFax;
}

#pragma once

#include <QString>

// Who the program says it is: the settings store and the status-log folder
// are addressed by these names.
namespace AppIdentity {
inline const QString OrganisationName = QStringLiteral("Quor");
inline const QString OrganisationDomain = QStringLiteral("quor-rebreathers.com");
inline const QString ApplicationName = QStringLiteral("Tessaro");
inline const QString ApplicationVersion = QStringLiteral("1.2.6.0");
}

#pragma once

#include <QString>

// Fixed values of the UDDF documents this program writes.
namespace UddfConstants {
// Three characters mixed into the document's verification code. Files carry
// only the resulting digest: changing the salt changes every future code.
inline const QString VerificationSalt = QStringLiteral("Tq7");
constexpr int VerificationRounds = 233;

inline const QString GeneratorName = QStringLiteral("Quor Seavane");
inline const QString GeneratorVersion = QStringLiteral("1.2.6.0");

// The maker as named in the generator element (the same company details the
// About window shows).
inline const QString MakerName = QStringLiteral("Quor Rebreathers Ltd");
inline const QString MakerStreet = QStringLiteral("Unit 4, Harbour Works, Quay Road");
inline const QString MakerCity = QStringLiteral("Falmouth");
inline const QString MakerProvince = QStringLiteral("Cornwall");
inline const QString MakerPostcode = QStringLiteral("TR11 0QR");
inline const QString MakerCountry = QStringLiteral("United Kingdom");
inline const QString MakerPhone = QStringLiteral("+44 (0)1326 000 100");
inline const QString MakerFax = QStringLiteral("+44 (0)1326 000 101");
inline const QString MakerEmail = QStringLiteral("support@quor-rebreathers.com");
inline const QString MakerHomepage = QStringLiteral("https://www.quor-rebreathers.com");
}

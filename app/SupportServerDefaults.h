#pragma once

#include <QString>
#include <QtGlobal>

// Where the remote-support window finds the maker's support server unless the
// settings say otherwise (see docs/remote-support.md). The addresses are
// placeholders from the ranges reserved for documentation until the maker's
// own are known; a user or a test points the settings elsewhere.
namespace SupportServerDefaults {
// Answers a plain GET with the caller's public address as text.
inline const QString IpEchoUrl = QStringLiteral("http://203.0.113.80/ip");
// The support server as the internet sees it.
inline const QString PublicAddress = QStringLiteral("203.0.113.63");
// The same server from inside the maker's own network, used when the caller's
// public address is the server's (the caller is inside that network).
inline const QString InternalAddress = QStringLiteral("192.0.2.63");
// TCP port of the support server.
constexpr quint16 Port = 6308;
} // namespace SupportServerDefaults

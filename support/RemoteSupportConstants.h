#pragma once

#include "SupportServerDefaults.h"

#include <QtGlobal>

// Fixed values of the remote-support protocol, shared by the program, the
// relay server and the technician console. Both ends of a connection must
// agree on every one of them.
namespace RemoteSupportConstants {

// The key folded into every message digest: 32 ASCII characters.
inline constexpr char MessageKey[] = "Quor-NDK-Remote-Support-Key-0308";
static_assert(sizeof(MessageKey) - 1 == 32, "the message key is 32 characters");

// TCP port of the support server.
inline constexpr quint16 ServerPort = SupportServerDefaults::Port;

// Message sizes on the stream. The smallest a decoder looks at is the
// length field, the header up to the item count, and the digest; the
// largest is bounded so that a corrupt or hostile length field cannot make
// a peer wait for (and buffer) gigabytes. Status logs are the largest thing
// sent; their sender keeps each message below this limit.
inline constexpr int MinMessageLength = 52;
inline constexpr int MaxMessageLength = 64 * 1024 * 1024;

// Keep-alive of the handset while the support window is open.
inline constexpr int KeepAliveTickMs = 100;
inline constexpr qint64 KeepAliveIntervalMs = 30 * 1000;

// How long the address lookup may take before the window gives up on it.
inline constexpr int AddressLookupTimeoutMs = 15 * 1000;

} // namespace RemoteSupportConstants

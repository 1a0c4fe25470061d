#pragma once

// The on-disk form of a log, memory or update file, as told by its first bytes.
enum class LogFileFormat {
    Invalid = 0,
    Text = 1,    // legacy text lines
    Binary = 2,  // plain record stream with a file CRC-32
    Secured = 3, // encrypted, sealed record stream
};

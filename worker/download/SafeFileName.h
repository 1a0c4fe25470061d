#pragma once

#include <QString>

// File names built from device data (the serial number text, dive names)
// must stay inside the download folder and be valid on every file system:
// path separators, drive colons, wildcard and control characters become
// "_", and a part that would be empty or made of dots only becomes "_" too.
namespace SafeFileName {
QString Part(const QString &text);
}

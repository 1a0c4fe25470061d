#pragma once

#include <QCoreApplication>

#include "DownloadCallbacks.h"
#include "DownloadState.h"

#include <QStringList>

class DeviceList;

// Recovers dives from .ccx memory images: each file's memory blocks are put
// back into a memory list, partitioned again and saved as .ccl files next
// to the image, exactly as a fresh mono or Colour V1 download would save
// them. Needs no device.
class CcxReprocessor
{
    Q_DECLARE_TR_FUNCTIONS(CcxReprocessor)

public:
    CcxReprocessor(const DeviceList &catalogue, const DownloadCallbacks &callbacks);

    // One file; the outcome's message says why it failed.
    DownloadOutcome ProcessFile(const QString &ccxPath);
    // Every file in turn; fails when any file could not be processed.
    DownloadOutcome Process(const QStringList &ccxFiles);

    QStringList SavedFiles() const { return m_saved; }

private:
    const DeviceList &m_catalogue;
    const DownloadCallbacks &m_callbacks;
    QStringList m_saved;
};

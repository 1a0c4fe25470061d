#pragma once

#include "UploadData.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <functional>

class DeviceList;

// Reads an update file (.ccr) into UploadData: the suffix and format checks,
// the colour-theme text form, binary and secured containers with their
// upload data record, the Intel HEX lines split into per-unit blocks, the
// file type, the address check, the description lines, the device checks
// (through a hook, so the loader itself never talks to the device) and the
// time estimate. Runs on any thread; keeps no state between loads.
class UploadFileLoader
{
    Q_DECLARE_TR_FUNCTIONS(UploadFileLoader)
public:
    struct Hooks
    {
        // Description lines and device-check failure texts, for the window.
        std::function<void(const QString &msg)> message;
        // The device checks of the connected units; false refuses the load
        // with the failure text (already worded for the window). Null: none.
        std::function<bool(const UploadData &data, QString &failure)> deviceCheck;
        // Seconds per 64-byte unit for the estimate.
        double secondsPerUnit = 0.13;
    };

    struct Result
    {
        bool ok = false;
        QString message;
        int estimateSeconds = 0;
    };

    // One Intel HEX record.
    struct HexRecord
    {
        quint8 type = 0;
        quint16 address = 0;
        QByteArray data;
    };

    enum class LineKind { Empty, TextTitle, BlockTitle, Record, Malformed };

    explicit UploadFileLoader(const DeviceList &catalogue);

    // The whole load. On failure `data` is reset and the result carries the
    // message for the window.
    Result Load(const QString &path, UploadData &data, const Hooks &hooks) const;

    // --- Pieces, public for tests and tools ---
    // Classifies a line; for a record fills `record` and `checksumOk`
    // (the byte sum of LL, address, type, data and checksum is 0 mod 256).
    static LineKind ParseLine(const QString &line, HexRecord &record, bool &checksumOk);
    // Splits lines (block titles and records) into blocks. False with a
    // message for the window when a line is refused.
    static bool SplitIntoBlocks(const QStringList &lines, UploadData &data, QString &message);
    // Empty when every block's addresses suit the file type and the unit;
    // otherwise the error text. Warnings go out through `warning`.
    QString AddressCheck(const UploadData &data,
                         const std::function<void(const QString &)> &warning) const;
    static QStringList DescriptionLines(const UploadData &data);
    // The file type a container header's type byte gives, or Unknown.
    static int FileTypeOfContainerType(int containerType);

    // Text title kinds.
    enum class TitleKind { Unknown, UnitUpdateCo2, UnitUpdateTestEquipment, UnitUpdateOther, ColourTheme };
    static TitleKind TextTitleKind(const QString &title);

private:
    bool LoadText(const QString &path, UploadData &data, QString &message) const;
    bool LoadContainer(const QString &path, bool secured, UploadData &data, QString &message) const;

    const DeviceList &m_catalogue;
};

// The device record from whatever the units answer: the bytes of each
// unit's system information, code and bootloader details, code validity and
// user information, as the worker slices them, go through the record's
// decoders and setters, the device status evaluation and the status-log
// texts; the clock registers and the display's stored time through the
// clock decoders.
//
// Input: one byte of presence flags (bit 0 display, 1 C1, 2 C2, 3 colour
// display, 4-6 a failed code-details read of display/C1/C2), then per unit
// 64 bytes of system information, 8 of code details, 8 of bootloader
// details, 1 validity byte and 64 of user information, then 7 clock
// registers and 6 bytes of stored time. Whatever the input lacks is a
// shorter read.
#include "DeviceList.h"
#include "RBData.h"
#include "RtcClock.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

class Reader
{
public:
    explicit Reader(const QByteArray &bytes) : m_bytes(bytes) {}
    QByteArray Take(int n)
    {
        const QByteArray out = m_bytes.mid(m_pos, n);
        m_pos += out.size();
        return out;
    }

private:
    QByteArray m_bytes;
    int m_pos = 0;
};

void CheckFiltered(const QString &text, int inputSize)
{
    if (text.size() > inputSize || text != text.trimmed())
        __builtin_trap();
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && (c.unicode() < 0x21 || c.unicode() > 0x7C))
            __builtin_trap(); // the filter lets only printable characters through
    }
}

void CheckDetails(const RBData::CodeDetails &details, bool plausibleDate)
{
    if (details.valid && details.versionText.size() != 14)
        __builtin_trap(); // five hex pairs joined by "."
    if (plausibleDate && details.valid && details.dateText.size() != 8)
        __builtin_trap(); // "dd/mm/yy"
    if (details.versionNumber < -1)
        __builtin_trap();
}

bool IsPackedDecimal(const QByteArray &registers)
{
    for (char c : registers) {
        if ((quint8(c) & 0x0F) > 9 || ((quint8(c) >> 4) & 0x07) > 9)
            return false;
    }
    return true;
}

void CheckClock(const QByteArray &registers, const QDateTime &decoded)
{
    // What was decoded from true packed-decimal registers writes back to
    // registers that decode to the same time. (A register with a digit
    // above 9 is no packed decimal; what such a reading gives is the clock
    // code's own decision.)
    if (!decoded.isValid() || !IsPackedDecimal(registers))
        return;
    if (RtcClock::DecodeRegisters(RtcClock::EncodeRegisters(decoded)) != decoded)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    const quint8 flags = data[0];
    Reader in(QByteArray(reinterpret_cast<const char *>(data + 1), int(size - 1)));

    RBData record;
    const quint8 display = (flags & 0x08) ? DeviceId::DisplayColour : DeviceId::DisplayMono;
    record.SetDisplayDeviceId(display);
    const quint8 units[] = {display, DeviceId::C1, DeviceId::C2};
    for (int u = 0; u < 3; ++u) {
        const quint8 id = units[u];
        record.SetPresent(id, flags & (1 << u));

        const QByteArray systemInfo = in.Take(64);
        const QString serial = RBData::FilterText(systemInfo.mid(22, 12));
        CheckFiltered(serial, 12);
        record.SetSerialNumber(id, serial);
        if (systemInfo.size() > 35)
            record.SetHardwareConfig(id, quint8(systemInfo.at(35)));

        const QByteArray code = in.Take(8);
        const RBData::CodeDetails codeDetails =
            (flags & (0x10 << u)) ? RBData::FailedCodeDetails() : RBData::DecodeCodeDetails(code);
        CheckDetails(codeDetails, false);
        record.SetCodeDetails(id, codeDetails);
        if (code.size() >= 8)
            DeviceList::VersionNumber(quint8(code.at(5)), quint8(code.at(6)), quint8(code.at(7)));

        const RBData::CodeDetails bootloader = RBData::DecodeBootloaderDetails(in.Take(8));
        CheckDetails(bootloader, true);
        record.SetBootloaderDetails(id, bootloader);

        const QByteArray validity = in.Take(1);
        record.SetCodeValidity(id, !validity.isEmpty() && quint8(validity.at(0)) < 16);

        const QByteArray user = in.Take(64);
        const QString name = RBData::FilterText(user.mid(0, 16));
        const QString telephone = RBData::FilterText(user.mid(18, 16));
        const QString postCode = RBData::FilterText(user.mid(36, 16));
        CheckFiltered(name, 16);
        record.SetUserInformation(id, name, telephone, postCode);
        record.IsSerialNumberValid(id);
    }

    const QByteArray registers = in.Take(RtcClock::RegisterCount);
    const QDateTime rtc = RtcClock::DecodeRegisters(registers);
    CheckClock(registers, rtc);
    RtcClock::DecodeRegistersIgnoringValidBit(registers);
    RtcClock::AllRegistersBlank(registers);
    record.SetRtcDateTime(rtc);
    record.SetEepromDateTime(display, RtcClock::DecodeEepromTime(in.Take(RtcClock::EepromTimeLength)));

    const int overall = record.EvaluateDeviceStatus();
    int highest = RBData::StatusGood;
    for (quint8 id : units) {
        for (int field = 0; field < RBData::FieldCount; ++field) {
            const int cell = record.FieldStatus(id, RBData::StatusField(field));
            if (cell < RBData::StatusGood || cell > RBData::StatusError)
                __builtin_trap();
            highest = std::max(highest, cell);
        }
    }
    if (overall != highest || overall != record.OverallStatus())
        __builtin_trap(); // the overall status is the worst cell

    const QStringList dump = record.DumpLines();
    if (dump.isEmpty() || dump.first() != QLatin1String("RBData Dump")
        || dump.last() != QLatin1String("RBData Dump Complete"))
        __builtin_trap();
    record.UserInfoLines();
    return 0;
}

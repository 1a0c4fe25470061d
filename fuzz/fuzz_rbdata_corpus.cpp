// Seed corpus for fuzz_rbdata: the region bytes of a consistent unit set,
// of units that disagree, and of the awkward values the units have been seen
// to hold (filtered serial numbers, implausible bootloader dates, blank
// clock registers).
#include "CorpusFolder.h"
#include <QCoreApplication>
#include <QDir>

namespace {

struct Unit
{
    QByteArray serial;      // 12 bytes at offset 22 of the system information
    quint8 hardwareConfig;  // offset 35
    QByteArray code;        // 8 bytes
    QByteArray bootloader;  // 8 bytes
    quint8 validity;
    QByteArray name, telephone, postCode; // 16 bytes each
};

QByteArray Padded(const QByteArray &bytes, int size)
{
    return (bytes + QByteArray(size, ' ')).left(size);
}

QByteArray Bytes(const Unit &unit)
{
    QByteArray systemInfo(64, char(0xFF));
    systemInfo.replace(22, 12, Padded(unit.serial, 12));
    systemInfo[35] = char(unit.hardwareConfig);
    QByteArray user(64, '\0');
    user.replace(0, 16, Padded(unit.name, 16));
    user.replace(18, 16, Padded(unit.telephone, 16));
    user.replace(36, 16, Padded(unit.postCode, 16));
    return systemInfo + unit.code + unit.bootloader + QByteArray(1, char(unit.validity)) + user;
}

bool Write(const QDir &dir, const QString &name, quint8 flags, const QVector<Unit> &units,
           const QByteArray &clock)
{
    QByteArray bytes(1, char(flags));
    for (const Unit &unit : units)
        bytes += Bytes(unit);
    bytes += clock;
    return CorpusFolder::Write(dir, name, bytes);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDir dir;
    if (const int failed = CorpusFolder::Open(argc, argv, dir))
        return failed;

    const QByteArray code = QByteArray::fromHex("050A130102012345");
    const QByteArray bootloader = QByteArray::fromHex("0103140B00030102");
    const Unit display{"12C00417", 0x21, code, bootloader, 3, "Diver", "+44 1234 567", "PL1 2AB"};
    const Unit c1{"12C00418", 0x02, code, bootloader, 1, "", "", ""};
    const Unit c2{"12C00419", 0x02, code, bootloader, 1, "", "", ""};
    // Registers 12:34:56 on 14/06/26 (packed decimal: seconds, minutes, hours, day,
    // weekday, month, year), then the display's own time (plain bytes).
    const QByteArray clock = QByteArray::fromHex("56341214000626") + QByteArray::fromHex("0E061A0C2238");

    bool ok = Write(dir, QStringLiteral("colour_all_agree"), 0x0F, {display, c1, c2}, clock);
    ok = ok && Write(dir, QStringLiteral("mono_display_only"), 0x01, {display, c1, c2}, clock);

    Unit other = c2;
    other.serial = "13D00001";
    other.code = QByteArray::fromHex("010112010201FF99");
    ok = ok && Write(dir, QStringLiteral("c2_disagrees"), 0x07, {display, c1, other}, clock);

    Unit odd = display;
    odd.serial = QByteArray("  12C00417\0\xFF", 12);
    odd.bootloader = QByteArray::fromHex("1F0D630B00030102"); // month 13
    odd.validity = 0xFF;
    odd.name = QByteArray("\x01Name\x7F\x7D", 7);
    ok = ok && Write(dir, QStringLiteral("filtered_and_implausible"), 0x0F, {odd, c1, c2},
                     QByteArray(7, char(0xFF)) + QByteArray(6, char(0xFF)));
    ok = ok && Write(dir, QStringLiteral("code_reads_failed"), 0x7F, {display, c1, c2}, clock);
    return ok ? 0 : 1;
}

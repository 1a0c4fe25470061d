#include "QuorLogDeviceInfo.h"

#include "LogLine.h"
#include "LogRecordLayout.h"

#include <QDate>

namespace B = LogRecordLayout::InfoBlock;

namespace {
struct CodeText
{
    int code;
    const char *text;
};
const CodeText WeightTexts[] = {{0, "16 Kg"}, {1, "22 Kg"}, {2, "Jacket"}};
const CodeText SizeTexts[] = {{0, "Small"}, {1, "Medium"}, {2, "Large"}, {3, "X Large"}, {4, "XX Large"}};
const CodeText SecondSizeTexts[] = {{0, "Medium"}, {1, "Large"}, {2, "X Large"}};
const CodeText DiveModeTexts[] = {{0, "Dive Timer"}, {25, "Nitrox"}, {43, "Trimix"}, {90, "Recreational 1"}, {216, "Recreational 2"}};

template <std::size_t N>
QString Lookup(const CodeText (&table)[N], int code)
{
    for (const CodeText &entry : table)
        if (entry.code == code)
            return QString::fromLatin1(entry.text);
    return QStringLiteral("Unknown value");
}

int At(const QByteArray &block, int i) { return i < block.size() ? int(quint8(block.at(i))) : 0; }

QString Ascii(const QByteArray &block, int from, int length)
{
    QString text;
    for (int i = from; i < from + length && i < block.size(); ++i) {
        const char c = block.at(i);
        if (c == '\0')
            break;
        text.append(QChar(quint8(c)));
    }
    return text.trimmed();
}
}

QString QuorLogDeviceInfo::WeightText(int code) { return Lookup(WeightTexts, code); }
QString QuorLogDeviceInfo::SizeText(int code) { return Lookup(SizeTexts, code); }
QString QuorLogDeviceInfo::SecondSizeText(int code) { return Lookup(SecondSizeTexts, code); }
QString QuorLogDeviceInfo::DiveModeText(int code) { return Lookup(DiveModeTexts, code); }
QString QuorLogDeviceInfo::YesNo(bool yes) { return yes ? QStringLiteral("Yes") : QStringLiteral("No"); }

int QuorLogDeviceInfo::VersionNumberFromText(const QString &versionText)
{
    if (versionText.size() < 14)
        return 0;
    bool ok1 = false, ok2 = false, ok3 = false;
    const int major = versionText.mid(6, 2).toInt(&ok1);
    const int minor = versionText.mid(9, 2).toInt(&ok2);
    const int patch = versionText.mid(12, 2).toInt(&ok3);
    if (!ok1 || !ok2 || !ok3 || major < 0 || minor < 0 || patch < 0)
        return 0;
    return major * 1000000 + minor * 1000 + patch;
}

QuorLogDeviceInfo QuorLogDeviceInfo::Decode(const QByteArray &block)
{
    QuorLogDeviceInfo info;
    info.userName = Ascii(block, B::UserName, B::UserNameLength);
    info.model = Ascii(block, B::Model, B::ModelLength);
    info.serialNumber = Ascii(block, B::SerialNumber, B::SerialNumberLength);
    info.versionText = Ascii(block, B::VersionText, B::VersionTextLength);
    const bool flag = At(block, B::FlagByte) != 0;
    info.flag = YesNo(flag);
    if (!flag) {
        info.decoOption = YesNo(At(block, B::OptionDeco) != 0);
        info.bailoutOption = YesNo(At(block, B::OptionBailout) != 0);
        info.co2Option = YesNo(At(block, B::OptionCo2) != 0);
    }
    info.weight = WeightText(At(block, B::Weight));
    info.size = SizeText(At(block, B::Size));
    info.secondSize = SecondSizeText(At(block, B::SecondSize));
    info.diveModeCode = At(block, B::DiveMode);
    info.diveMode = DiveModeText(info.diveModeCode);
    info.voltageFormatRaw = At(block, B::VoltageFormat) & 0x01;
    const int day = At(block, B::ServiceDay), month = At(block, B::ServiceDay + 1), year = At(block, B::ServiceDay + 2);
    const QDate service(2000 + year, month, day);
    info.serviceDate = service.isValid() ? service.toString(QStringLiteral("dd/MM/yyyy")) : QStringLiteral("Invalid Date");
    return info;
}

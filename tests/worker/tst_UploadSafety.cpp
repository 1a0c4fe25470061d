// Device safety of a firmware upload: interrupted at its first, a middle
// and its last page (the unit unplugged, or a page write refused), the unit
// reports invalid code and the result says "Upload failed"; the same upload
// run again leaves the file's image and valid code.

#include "SimFirmware.h"
#include "SimProfiles.h"
#include "UploadLinkRig.h"
#include "UploadTestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace UploadTestFiles;

class TestUploadSafety : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void interruptionLeavesInvalidCode_data();
    void interruptionLeavesInvalidCode();

private:
    QString Write(const QString &name, int containerType, const QVector<BlockContent> &blocks)
    {
        return WriteCcr(m_dir->path(), name, containerType, blocks);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestUploadSafety::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestUploadSafety::interruptionLeavesInvalidCode_data()
{
    QTest::addColumn<bool>("unplug");
    QTest::addColumn<int>("page");
    for (bool unplug : {true, false}) {
        for (int page : {0, 31, 63}) {
            const QString name = QStringLiteral("%1 at page %2").arg(unplug ? "unplug" : "refused write").arg(page);
            QTest::newRow(qPrintable(name)) << unplug << page;
        }
    }
}

void TestUploadSafety::interruptionLeavesInvalidCode()
{
    QFETCH(bool, unplug);
    QFETCH(int, page);

    const QByteArray image = ColourImage(4096, StagedLayout(), 11);
    const QString path = Write("fw.ccr", 0, {ColourFirmware(image, NewerId())});
    const quint32 pageAddress = ColourCodeStart + quint32(page) * 64;

    // Where the write of each page falls among the frames of an undisturbed
    // run of the same upload (the same requests, in the same order).
    static QMap<quint32, int> frameOfPageWrite;
    if (frameOfPageWrite.isEmpty()) {
        UploadLinkRig reference(SimProfile::ColourV2Usb);
        QVERIFY(reference.started);
        UploadData data;
        QVERIFY(reference.Load(path, data));
        reference.sim->ClearReceivedFrames();
        QVERIFY(reference.Upload(data).result.ok);
        const auto frames = reference.sim->ReceivedFrames();
        for (int i = 0; i < frames.size(); ++i) {
            SimRequest request;
            if (SimulatedBus::ParseRequest(frames.at(i).bytes, request)
                && request.deviceId == DeviceId::DisplayColour && request.opcode == 2)
                frameOfPageWrite.insert(request.address, i);
        }
    }
    const int frameOfPage = frameOfPageWrite.value(pageAddress, -1);
    QVERIFY(frameOfPage >= 0);

    UploadLinkRig rig(SimProfile::ColourV2Usb);
    QVERIFY(rig.started);
    UploadData data;
    QVERIFY(rig.Load(path, data));
    rig.sim->ClearReceivedFrames();
    if (unplug)
        rig.sim->UnplugAfterFrames(frameOfPage + 1);
    else
        rig.sim->WithBus([pageAddress](SimulatedBus &bus) {
            SimFirmware::RefuseFlashWritesAt(*bus.Unit(DeviceId::DisplayColour), {pageAddress});
        });
    const auto failed = rig.Upload(data);
    QVERIFY(!failed.result.ok);
    QCOMPARE(failed.result.message, QStringLiteral("Upload failed"));
    QVERIFY2(failed.messages.last().startsWith(QStringLiteral("Block write failed. Block %1 Address 0x%2. Error - ")
                                                   .arg(page)
                                                   .arg(DeviceList::HexText(pageAddress, 6))),
             qPrintable(failed.messages.last()));
    // The unit reports invalid code.
    QVERIFY(rig.Marker(DeviceId::DisplayColour) >= 16);
    if (!unplug)
        QVERIFY(!rig.record.CodeValidity(DeviceId::DisplayColour));

    // The same upload again, once the unit is back, writes the whole image.
    if (unplug)
        QVERIFY(rig.Replug());
    else
        rig.sim->WithBus([](SimulatedBus &bus) { SimFirmware::ClearRefusals(*bus.Unit(DeviceId::DisplayColour)); });
    QVERIFY(!rig.record.CodeValidity(DeviceId::DisplayColour));
    const auto again = rig.Upload(data);
    QVERIFY2(again.result.ok, qPrintable(again.messages.join('\n')));
    QVERIFY(FlashHolds(*rig.sim, DeviceId::DisplayColour, ColourCode(image)));
    QCOMPARE(rig.Marker(DeviceId::DisplayColour), quint8(0x08));
    QVERIFY(rig.record.CodeValidity(DeviceId::DisplayColour));
}

QTEST_GUILESS_MAIN(TestUploadSafety)
#include "tst_UploadSafety.moc"

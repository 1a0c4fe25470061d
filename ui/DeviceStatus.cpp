#include "DeviceStatus.h"
#include "ui_DeviceStatus.h"

#include "AppSettings.h"
#include "RBData.h"
#include "WindowGeometry.h"
#include "WindowStyle.h"

namespace {

// Device ids of the three columns; the display column takes whichever
// display the record holds.
constexpr quint8 controller1Id = 0xB2;
constexpr quint8 controller2Id = 0xB4;
constexpr quint8 monoDisplayId = 0xB0;

DeviceStatusUnit unitFrom(const RBData &data, quint8 id)
{
    DeviceStatusUnit unit;
    unit.present = data.IsPresent(id);
    if (!unit.present)
        return unit;
    unit.serialNumber = data.SerialNumber(id);
    if (!data.IsSerialNumberValid(id))
        unit.serialNumber += QStringLiteral(" - Invalid");
    unit.codeVersion = data.CodeVersionText(id);
    unit.codeDate = data.CodeDateText(id);
    unit.codeValid = data.CodeValidity(id);
    unit.fieldState[DeviceStatusUnit::RowSerialNumber] = data.FieldStatus(id, RBData::FieldSerialNumber);
    unit.fieldState[DeviceStatusUnit::RowCodeVersion] = data.FieldStatus(id, RBData::FieldCodeVersion);
    unit.fieldState[DeviceStatusUnit::RowCodeValidity] = data.FieldStatus(id, RBData::FieldCodeValidity);
    unit.fieldState[DeviceStatusUnit::RowCodeDate] = data.FieldStatus(id, RBData::FieldCodeDate);
    return unit;
}

} // namespace

DeviceStatusRecord DeviceStatusRecord::FromDeviceRecord(const RBData &data)
{
    DeviceStatusRecord record;
    const quint8 displayId = data.IsDisplayDeviceIdValid() ? data.DisplayDeviceId() : monoDisplayId;
    record.units[UnitDisplay] = unitFrom(data, displayId);
    record.units[UnitController1] = unitFrom(data, controller1Id);
    record.units[UnitController2] = unitFrom(data, controller2Id);
    return record;
}

DeviceStatus::DeviceStatus(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DeviceStatus)
{
    ui->setupUi(this);
    WindowStyle::ApplyDialogLook(this);
    WindowGeometry::Restore(this, AppSettings::Key::GeometryDeviceStatus);
    ShowRecord();
}

DeviceStatus::~DeviceStatus()
{
    WindowGeometry::Save(this, AppSettings::Key::GeometryDeviceStatus);
    delete ui;
}

QLabel *DeviceStatus::Cell(DeviceStatusRecord::Unit unit, DeviceStatusUnit::Row row) const
{
    QLabel *const cells[DeviceStatusRecord::UnitCount][DeviceStatusUnit::RowCount] = {
        {ui->displaySerialNumber, ui->displayCodeVersion, ui->displayCodeValidity, ui->displayCodeDate},
        {ui->controller1SerialNumber, ui->controller1CodeVersion, ui->controller1CodeValidity,
         ui->controller1CodeDate},
        {ui->controller2SerialNumber, ui->controller2CodeVersion, ui->controller2CodeValidity,
         ui->controller2CodeDate},
    };
    return cells[unit][row];
}

void DeviceStatus::SetRecord(const DeviceStatusRecord &record)
{
    m_record = record;
    ShowRecord();
}

void DeviceStatus::ShowRecord()
{
    for (int u = 0; u < DeviceStatusRecord::UnitCount; ++u) {
        const auto unitIndex = static_cast<DeviceStatusRecord::Unit>(u);
        const DeviceStatusUnit &unit = m_record.units[u];
        QString texts[DeviceStatusUnit::RowCount];
        if (unit.present) {
            texts[DeviceStatusUnit::RowSerialNumber] = unit.serialNumber;
            texts[DeviceStatusUnit::RowCodeVersion] = unit.codeVersion;
            texts[DeviceStatusUnit::RowCodeValidity] = unit.codeValid ? tr("Valid") : tr("Invalid");
            texts[DeviceStatusUnit::RowCodeDate] = unit.codeDate;
        } else {
            texts[DeviceStatusUnit::RowSerialNumber] = tr("No Device Detected");
        }
        for (int r = 0; r < DeviceStatusUnit::RowCount; ++r) {
            QLabel *cell = Cell(unitIndex, static_cast<DeviceStatusUnit::Row>(r));
            cell->setText(texts[r]);
            cell->setStyleSheet(unit.present ? WindowStyle::FieldStateStyle(unit.fieldState[r]) : QString());
        }
    }
}

void DeviceStatus::on_closeBtn_clicked()
{
    accept();
}

void DeviceStatus::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ShowRecord();
    }
    QDialog::changeEvent(event);
}

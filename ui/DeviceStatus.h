#pragma once

#include <QDialog>
#include <QString>

#include <array>

namespace Ui { class DeviceStatus; }
class QLabel;
class RBData;

// What the device status window shows of one unit. Field states are the
// device status levels: 1 good, 2 warning (orange border), 3 error (red).
struct DeviceStatusUnit
{
    enum Row { RowSerialNumber = 0, RowCodeVersion, RowCodeValidity, RowCodeDate, RowCount };

    bool present = false;
    QString serialNumber;
    QString codeVersion;
    QString codeDate;
    bool codeValid = false;
    std::array<int, RowCount> fieldState{{1, 1, 1, 1}};
};

struct DeviceStatusRecord
{
    enum Unit { UnitDisplay = 0, UnitController1, UnitController2, UnitCount };

    std::array<DeviceStatusUnit, UnitCount> units;

    // Built from a copy of the worker's device record; a serial number that
    // is not valid gets " - Invalid" appended.
    static DeviceStatusRecord FromDeviceRecord(const RBData &data);
};

// Overview of the connected units: one column per unit, one row per field.
class DeviceStatus : public QDialog
{
    Q_OBJECT
public:
    explicit DeviceStatus(QWidget *parent = nullptr);
    ~DeviceStatus() override;

    void SetRecord(const DeviceStatusRecord &record);

    // The label of one cell (for the window's own use and for checks).
    QLabel *Cell(DeviceStatusRecord::Unit unit, DeviceStatusUnit::Row row) const;

private slots:
    void on_closeBtn_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    void ShowRecord();

    Ui::DeviceStatus *ui;
    DeviceStatusRecord m_record;
};

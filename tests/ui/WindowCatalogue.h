#pragma once

// Every window of the program, built the way the program builds it, for the
// tests that must hold for all of them (geometry, mnemonics). A new window
// belongs in this list.

#include "About.h"
#include "AppSettings.h"
#include "CancelNextConnect.h"
#include "CellReportDialog.h"
#include "Clock.h"
#include "DeviceStatus.h"
#include "DivesDialog.h"
#include "DownloadV1Dialog.h"
#include "DownloadV2Dialog.h"
#include "MainDialog.h"
#include "PrivateSettingsDialog.h"
#include "ProcessCCXDialog.h"
#include "RemoteSupportDialog.h"
#include "SettingsDialog.h"
#include "SimulatedPortEnumerator.h"
#include "YesConfirmation.h"
#include "YesNo.h"
#include "YesNoCancel.h"
#include "YesYesToAllNoNoToAll.h"
#include "ok.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

struct CataloguedWindow {
    const char *name;
    std::function<std::unique_ptr<QWidget>()> build;
    // The settings key the window keeps its geometry under, if any.
    std::optional<AppSettings::Key> geometryKey;
};

inline QList<CataloguedWindow> AllWindows()
{
    using Key = AppSettings::Key;
    return {
        {"MainDialog", [] { return std::make_unique<MainDialog>(std::make_shared<SimulatedPortEnumerator>()); },
         Key::GeometryMain},
        {"SettingsDialog", [] { return std::make_unique<SettingsDialog>(); }, Key::GeometrySettings},
        {"DeviceStatus", [] { return std::make_unique<DeviceStatus>(); }, Key::GeometryDeviceStatus},
        {"Clock", [] { return std::make_unique<Clock>(nullptr); }, Key::GeometryClock},
        {"DivesDialog", [] { return std::make_unique<DivesDialog>(); }, Key::GeometryDives},
        {"CellReportDialog", [] { return std::make_unique<CellReportDialog>(); }, Key::GeometryCellReport},
        {"DownloadV1Dialog", [] { return std::make_unique<DownloadV1Dialog>(nullptr, true); }, Key::GeometryDownloadV1},
        {"DownloadV2Dialog", [] { return std::make_unique<DownloadV2Dialog>(nullptr, true, false); },
         Key::GeometryDownloadV2},
        {"ProcessCCXDialog", [] { return std::make_unique<ProcessCCXDialog>(); }, std::nullopt},
        {"RemoteSupportDialog",
         [] {
             // Its address lookup goes to a local port nothing listens on.
             AppSettings::SetValue(Key::RemoteSupportIpEchoUrl, QStringLiteral("http://127.0.0.1:9/ip"));
             return std::make_unique<RemoteSupportDialog>(nullptr);
         },
         Key::GeometryRemoteSupport},
        {"PrivateSettingsDialog", [] { return std::make_unique<PrivateSettingsDialog>(); }, std::nullopt},
        {"About", [] { return std::make_unique<About>(); }, std::nullopt},
        {"YesNo", [] { return std::make_unique<YesNo>(); }, std::nullopt},
        {"YesNoCancel", [] { return std::make_unique<YesNoCancel>(); }, std::nullopt},
        {"YesYesToAllNoNoToAll", [] { return std::make_unique<YesYesToAllNoNoToAll>(); }, std::nullopt},
        {"YesConfirmation", [] { return std::make_unique<YesConfirmation>(); }, std::nullopt},
        {"CancelNextConnect", [] { return std::make_unique<CancelNextConnect>(); }, std::nullopt},
        {"ok", [] { return std::make_unique<ok>(); }, std::nullopt},
    };
}

#include "SimulatedRebreatherMode.h"

#include "RebreatherSimulator.h"
#include "SimProfiles.h"
#include "SimulatedPortEnumerator.h"

#include <QDebug>

const QString SimulatedRebreatherMode::Option = QStringLiteral("--simulate");

QStringList SimulatedRebreatherMode::DefaultProfiles()
{
    // An empty port first, so a search shows it skipping a port, then a
    // colour handset with a log book and a mono handset behind a cable.
    return {QStringLiteral("empty"), QStringLiteral("colour-v2-usb"), QStringLiteral("mono-serial")};
}

bool SimulatedRebreatherMode::IsOptionArgument(const QString &argument)
{
    return argument == Option || argument.startsWith(Option + QLatin1Char('='));
}

QStringList SimulatedRebreatherMode::KnownProfiles()
{
    return SimProfiles::Names();
}

QStringList SimulatedRebreatherMode::RequestedProfiles(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (!IsOptionArgument(argument))
            continue;
        // "--simulate" alone, or with an empty list, asks for the default set.
        const QStringList names = argument.mid(Option.size() + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
        return names.isEmpty() ? DefaultProfiles() : names;
    }
    return {};
}

SimulatedRebreatherMode::SimulatedRebreatherMode()
    : m_ports(std::make_shared<SimulatedPortEnumerator>(QList<SerialPortDescription>{}, true))
{
}

SimulatedRebreatherMode::~SimulatedRebreatherMode() = default;

bool SimulatedRebreatherMode::Start(const QStringList &profiles, QString *error)
{
    auto *ports = static_cast<SimulatedPortEnumerator *>(m_ports.get());
    for (const QString &name : profiles) {
        SimProfile profile;
        if (!SimProfiles::FromName(name.trimmed(), profile)) {
            if (error) {
                *error = QStringLiteral("Unknown simulator profile \"%1\"; known profiles: %2")
                             .arg(name, SimProfiles::Names().join(QStringLiteral(", ")));
            }
            return false;
        }
        auto simulator = std::make_unique<RebreatherSimulator>(profile, quint32(m_simulators.size() + 1));
        QString reason;
        if (!simulator->Start(&reason)) {
            if (error)
                *error = QStringLiteral("Simulated rebreather \"%1\" did not start: %2").arg(name, reason);
            return false;
        }
        SerialPortDescription port;
        port.portName = QStringLiteral("SIM%1").arg(m_simulators.size() + 1);
        port.description = QStringLiteral("Simulated rebreather (%1)").arg(SimProfiles::Name(profile));
        port.systemLocation = simulator->PortPath();
        qInfo().noquote() << "SimulatedRebreatherMode::Start() -" << port.portName << port.description
                          << "on" << port.systemLocation;
        ports->AddPort(port);
        m_simulators.push_back(std::move(simulator));
    }
    return true;
}

#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class PortEnumerator;
class RebreatherSimulator;

// The program's "--simulate" mode: simulated rebreathers answer on
// pseudo-terminals inside the process, and their ports join the system's
// own, so the whole connection story works without hardware.
//
//   Tessaro --simulate                  the default set of ports
//   Tessaro --simulate=mono-serial,empty one port per named profile
//
// A port with the profile "empty" has nothing behind it, so the port search
// has something to skip.
class SimulatedRebreatherMode
{
public:
    static const QString Option; // "--simulate"

    // The profiles the command line asks for; empty when the option is absent.
    // An option without a list gives the default set.
    static QStringList RequestedProfiles(const QStringList &arguments);
    static QStringList DefaultProfiles();
    // True for "--simulate" and "--simulate=<list>".
    static bool IsOptionArgument(const QString &argument);
    // Every profile name a list may hold.
    static QStringList KnownProfiles();

    SimulatedRebreatherMode();
    ~SimulatedRebreatherMode(); // stops the simulators

    // Starts one simulator per profile. False, with the reason, when a
    // profile name is unknown or a pseudo-terminal cannot be opened; the
    // simulators started so far keep running.
    bool Start(const QStringList &profiles, QString *error);

    // The system's ports followed by one "SIM<n>" port per simulator,
    // labelled "Simulated rebreather (<profile>)".
    std::shared_ptr<PortEnumerator> Ports() const { return m_ports; }

private:
    std::vector<std::unique_ptr<RebreatherSimulator>> m_simulators;
    std::shared_ptr<PortEnumerator> m_ports;
};

// The stand-in's own control interface, org.tarvo.SimModem.Control at
// /org/tarvo/SimModem: what `sim-modem ctl ...` asks of the running
// instance. Not part of ModemManager's API.
#pragma once

#include <QObject>
#include <QStringList>

class SimService;

inline constexpr char kControlPath[] = "/org/tarvo/SimModem";
inline constexpr char kControlInterface[] = "org.tarvo.SimModem.Control";

class SimControl : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tarvo.SimModem.Control")

public:
    explicit SimControl(SimService* service) : QObject(nullptr), service_(service) {}

public Q_SLOTS:
    Q_SCRIPTABLE QString Deliver(const QString& from, const QString& text);
    Q_SCRIPTABLE void FailNextSend(const QString& errorName);
    Q_SCRIPTABLE bool SetState(int state);
    Q_SCRIPTABLE void Unplug();
    Q_SCRIPTABLE void Competitor(int delayMs);
    Q_SCRIPTABLE void Plug();
    Q_SCRIPTABLE QStringList Sent();

private:
    SimService* service_;
};

// Runs `sim-modem ctl ARGS...` against the running instance; the exit code.
int RunControlCommand(const QStringList& arguments);

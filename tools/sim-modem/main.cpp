// sim-modem: a stand-in ModemManager for tests and the demo. It claims
// ModemManager's name on the system bus (DBUS_SYSTEM_BUS_ADDRESS points it
// at a private one) and serves one enabled modem with Messaging, next to a
// simulated TR-101 tracker that answers "request".
//
//   sim-modem [OPTIONS]          run the stand-in
//   sim-modem ctl VERB [ARGS]    steer the running one (see --help)
#include "control.h"
#include "sim_service.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <clocale>
#include <cstdio>

namespace {

const char kDescription[] = R"(A stand-in ModemManager on the system bus (DBUS_SYSTEM_BUS_ADDRESS
points it at a private one) with one enabled modem and a simulated TR-101
tracker that answers "request" with "Lat:LAT Lon:LON".

Control of the running instance:
  sim-modem ctl deliver FROM TEXT       an incoming SMS (in parts when longer than one)
  sim-modem ctl fail-next-send [ERROR]  the next Send fails with this D-Bus error name
                                        (default org.freedesktop.ModemManager1.Error.Message.NoNetwork)
  sim-modem ctl state N                 sets the modem's state (6 enabled, 8 registered;
                                        below 6 messaging fails with Core.WrongState)
  sim-modem ctl unplug | plug           the modem goes away / comes back under a new path
  sim-modem ctl sent                    the messages sent so far: number TAB text TAB class
  sim-modem ctl competitor DELAY_MS|off plays a phone's messaging app: deletes each received
                                        message DELAY_MS after it is whole
)";

// What the command line asks for.
struct Command {
    SimOptions sim;
    QString trackerNumber;
    double latitude = 0, longitude = 0;
    int replyDelayMs = 0;
    QString trackFile;
};

bool parseCommandLine(const QCoreApplication& app, Command* c) {
    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    parser.addHelpOption();
    const QCommandLineOption number("tracker-number",
                                    "The tracker's number (default +380501234567).", "NUMBER",
                                    "+380501234567");
    const QCommandLineOption position(
        "position", "Where the tracker is, \"LAT LON\" (default \"50.45012 30.52341\").",
        "POSITION", "50.45012 30.52341");
    const QCommandLineOption track(
        "track", "A file of \"lat lon\" lines; each request moves on one.", "FILE");
    const QCommandLineOption delay(
        "reply-delay", "Milliseconds before the tracker answers (default 3000).", "MS", "3000");
    const QCommandLineOption storage(
        "storage",
        "Keeps received messages in FILE across restarts, as a SIM does "
        "(default: in memory).",
        "FILE");
    const QCommandLineOption own("own-number", "The modem's own number (default +380670000001).",
                                 "NUMBER", "+380670000001");
    const QCommandLineOption state("state", "The modem's state at start (default 8, registered).",
                                   "N", "8");
    parser.addOptions({number, position, track, delay, storage, own, state});
    parser.addPositionalArgument("ctl", "Steers the running instance (see above).",
                                 "[ctl VERB ARGS]");
    parser.process(app);
    const QStringList at = parser.value(position).split(' ', Qt::SkipEmptyParts);
    bool latOk = false, lonOk = false, delayOk = false, stateOk = false;
    c->latitude = at.size() == 2 ? at[0].toDouble(&latOk) : 0;
    c->longitude = at.size() == 2 ? at[1].toDouble(&lonOk) : 0;
    c->replyDelayMs = parser.value(delay).toInt(&delayOk);
    c->trackerNumber = parser.value(number);
    c->trackFile = parser.value(track);
    c->sim.ownNumber = parser.value(own);
    c->sim.modemState = parser.value(state).toInt(&stateOk);
    c->sim.storagePath = parser.value(storage);
    return latOk && lonOk && delayOk && c->replyDelayMs >= 0 && stateOk;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc >= 2 && std::string(argv[1]) == "ctl") {
        return RunControlCommand(app.arguments().mid(2));
    }
    QCoreApplication::setApplicationName("sim-modem");
    Command command;
    if (!parseCommandLine(app, &command)) {
        std::fprintf(stderr, "sim-modem: --position takes \"LAT LON\", --reply-delay and --state "
                             "take whole numbers\n");
        return 2;
    }
    SimTracker tracker(command.trackerNumber, command.latitude, command.longitude,
                       command.replyDelayMs);
    QString error;
    if (!command.trackFile.isEmpty() && !tracker.loadTrack(command.trackFile, &error)) {
        std::fprintf(stderr, "sim-modem: %s\n", qPrintable(error));
        return 2;
    }
    SimService service(QDBusConnection::systemBus(), command.sim, tracker);
    if (!service.start(&error)) {
        std::fprintf(stderr, "sim-modem: %s\n", qPrintable(error));
        return 1;
    }
    // A signal ends it as it is: every change to the SIM is already on disk.
    return app.exec();
}

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
)";

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "ctl") {
        QCoreApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return RunControlCommand(app.arguments().mid(2));
    }
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName("sim-modem");
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
    const double lat = at.size() == 2 ? at[0].toDouble(&latOk) : 0;
    const double lon = at.size() == 2 ? at[1].toDouble(&lonOk) : 0;
    const int delayMs = parser.value(delay).toInt(&delayOk);
    SimOptions options;
    options.ownNumber = parser.value(own);
    options.modemState = parser.value(state).toInt(&stateOk);
    options.storagePath = parser.value(storage);
    if (!latOk || !lonOk || !delayOk || delayMs < 0 || !stateOk) {
        std::fprintf(stderr, "sim-modem: --position takes \"LAT LON\", --reply-delay and --state "
                             "take whole numbers\n");
        return 2;
    }
    SimTracker tracker(parser.value(number), lat, lon, delayMs);
    QString error;
    if (parser.isSet(track) && !tracker.loadTrack(parser.value(track), &error)) {
        std::fprintf(stderr, "sim-modem: %s\n", qPrintable(error));
        return 2;
    }
    SimService service(QDBusConnection::systemBus(), options, tracker);
    if (!service.start(&error)) {
        std::fprintf(stderr, "sim-modem: %s\n", qPrintable(error));
        return 1;
    }
    // A signal ends it as it is: every change to the SIM is already on disk.
    return app.exec();
}

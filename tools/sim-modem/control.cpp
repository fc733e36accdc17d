#include "control.h"

#include "mm_types.h"
#include "sim_service.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <cstdio>

QString SimControl::Deliver(const QString& from, const QString& text) {
    return service_->deliver(from, text);
}

void SimControl::FailNextSend(const QString& errorName) {
    service_->failNextSend(errorName);
}

bool SimControl::SetState(int state) {
    return service_->setState(state);
}

void SimControl::Unplug() {
    service_->unplug();
}

void SimControl::Competitor(int delayMs) {
    service_->setCompetitor(delayMs);
}

void SimControl::Plug() {
    service_->plug();
}

QStringList SimControl::Sent() {
    return service_->sent();
}

namespace {

struct Verb {
    const char* name;
    const char* method;
    int arguments;
};

const Verb kVerbs[] = {
    {"deliver", "Deliver", 2},
    {"fail-next-send", "FailNextSend", -1},
    {"state", "SetState", 1},
    {"unplug", "Unplug", 0},
    {"plug", "Plug", 0},
    {"sent", "Sent", 0},
    {"competitor", "Competitor", 1},
};

int fail(const QString& text) {
    std::fprintf(stderr, "sim-modem ctl: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int RunControlCommand(const QStringList& arguments) {
    const Verb* verb = nullptr;
    for (const Verb& v : kVerbs) {
        if (!arguments.isEmpty() && arguments[0] == v.name) {
            verb = &v;
        }
    }
    const qsizetype given = arguments.size() - 1;
    if (verb == nullptr || (verb->arguments >= 0 && given != verb->arguments) ||
        (verb->arguments < 0 && given > 1)) {
        return fail("usage: deliver FROM TEXT | fail-next-send [ERROR-NAME] | state N | unplug | "
                    "plug | sent | competitor DELAY_MS|off");
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(mm::kService, kControlPath, kControlInterface, verb->method);
    if (QString(verb->name) == "state") {
        bool ok = false;
        call << arguments[1].toInt(&ok);
        if (!ok) {
            return fail("state takes a number");
        }
    } else if (QString(verb->name) == "competitor") {
        bool ok = arguments[1] == "off";
        const int delay = ok ? -1 : arguments[1].toInt(&ok);
        if (!ok || delay < -1) {
            return fail("competitor takes a delay in milliseconds, or off");
        }
        call << delay;
    } else if (QString(verb->name) == "fail-next-send") {
        call << (given == 1 ? arguments[1] : QString());
    } else {
        for (qsizetype i = 1; i < arguments.size(); ++i) {
            call << arguments[i];
        }
    }
    const QDBusMessage reply = QDBusConnection::systemBus().call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return fail(reply.errorName() + ": " + reply.errorMessage());
    }
    for (const QVariant& v : reply.arguments()) {
        if (v.metaType() == QMetaType::fromType<QStringList>()) {
            for (const QString& line : v.toStringList()) {
                std::printf("%s\n", qPrintable(line));
            }
        } else if (v.metaType() == QMetaType::fromType<bool>()) {
            if (!v.toBool()) {
                return fail("there is no modem");
            }
        } else if (!v.toString().isEmpty()) {
            std::printf("%s\n", qPrintable(v.toString()));
        }
    }
    return 0;
}

// Carries reports to the viewer one at a time on a thread of its own: a
// delivery waits until the user has closed the viewer's "Report" box, and
// meanwhile the gate keeps serving the bus.
#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct Report {
    QString key; // DeliveredLog::KeyOf the message
    QString text;
    QString number;  // the sender, as the modem gives it
    QString smsPath; // where the message is on the bus, to delete it
    QString modemPath;
};

class Courier {
public:
    // `delivered` runs on the courier's thread once the viewer has taken a
    // report, with whether the inbox signal asked for its deletion.
    explicit Courier(std::function<void(const Report&, bool deleteIt)> delivered);
    ~Courier();
    Courier(const Courier&) = delete;
    Courier& operator=(const Courier&) = delete;

    void send(const Report& report);
    // Forgets what is not yet delivered (the component was unregistered).
    void drop();

private:
    void run();
    bool deliver(const Report& report, bool* deleteIt);

    std::function<void(const Report&, bool)> delivered_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Report> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

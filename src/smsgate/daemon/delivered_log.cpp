#include "delivered_log.h"

#include "platform/system/private_files.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

const char* const kStateNames[] = {"delete", "keep", "gone"};

} // namespace

// One line per message: its key, a space, and "delete", "keep" or "gone".
DeliveredLog::DeliveredLog(const QString& path, int capacity) : path_(path), capacity_(capacity) {
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return;
    }
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split(' ');
        if (fields.size() != 2 || fields[0].size() != 64) {
            continue;
        }
        for (int s = 0; s < 3; ++s) {
            if (fields[1] == kStateNames[s]) {
                entries_.append({QString::fromLatin1(fields[0]), State(s)});
            }
        }
    }
    trim();
}

DeliveredLog::~DeliveredLog() {
    flush();
}

QString DeliveredLog::KeyOf(const QString& number, const QString& timestamp, const QString& text) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& part : {number, timestamp, text}) {
        hash.addData(part.toUtf8());
        hash.addData(QByteArrayView("\0", 1));
    }
    return QString::fromLatin1(hash.result().toHex());
}

DeliveredLog::Entry* DeliveredLog::find(const QString& key) {
    for (Entry& e : entries_) {
        if (e.key == key) {
            return &e;
        }
    }
    return nullptr;
}

const DeliveredLog::Entry* DeliveredLog::find(const QString& key) const {
    return const_cast<DeliveredLog*>(this)->find(key);
}

bool DeliveredLog::contains(const QString& key) const {
    return find(key) != nullptr;
}

void DeliveredLog::noteSeen(const QString& key) {
    if (Entry* e = find(key); e != nullptr && e->state == State::Gone) {
        e->state = State::Keep;
        changed_ = true;
    }
}

bool DeliveredLog::wantsDeletion(const QString& key) const {
    const Entry* e = find(key);
    return e != nullptr && e->state == State::Delete;
}

void DeliveredLog::add(const QString& key, bool deleteIt) {
    if (contains(key)) {
        return;
    }
    entries_.append({key, deleteIt ? State::Delete : State::Keep});
    trim();
    changed_ = true;
}

void DeliveredLog::markDeleted(const QString& key) {
    if (Entry* e = find(key); e != nullptr && e->state != State::Gone) {
        e->state = State::Gone;
        trim();
        changed_ = true;
    }
}

void DeliveredLog::keepOnly(const QSet<QString>& present) {
    for (Entry& e : entries_) {
        const State state = !present.contains(e.key) ? State::Gone
                            : e.state == State::Gone ? State::Keep
                                                     : e.state;
        changed_ = changed_ || state != e.state;
        e.state = state;
    }
    trim();
}

// The oldest entries of messages that left the modems go first; one still
// on a modem would be delivered again without its entry.
void DeliveredLog::trim() {
    int excess = int(entries_.size()) - capacity_;
    for (auto it = entries_.begin(); excess > 0 && it != entries_.end();) {
        if (it->state == State::Gone) {
            it = entries_.erase(it);
            --excess;
            changed_ = true;
        } else {
            ++it;
        }
    }
}

bool DeliveredLog::flush() {
    if (path_.isEmpty() || !changed_) {
        return true;
    }
    QByteArray text;
    for (const Entry& e : entries_) {
        text += e.key.toLatin1() + ' ' + kStateNames[int(e.state)] + '\n';
    }
    const std::string path = path_.toStdString();
    std::string reason;
    const bool saved = platform::SavePrivateFile(
        path, std::string_view(text.constData(), std::size_t(text.size())), 0600, &reason);
    saveError_ = saved ? QString() : QString::fromStdString(reason);
    changed_ = !saved;
    return saved;
}

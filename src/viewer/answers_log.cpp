#include "answers_log.h"

#include "program_directory.h"

#include "platform/system/files.h"
#include "platform/system/private_files.h"

#include <cstdio>
#include <memory>

namespace {

// Generations are counted across every log of the process, so that two
// logs never share one.
unsigned long lastGeneration = 0;

} // namespace

AnswersLog::AnswersLog(std::string path, std::size_t kept)
    : path_(std::move(path)), kept_(kept), generation_(++lastGeneration) {}

void AnswersLog::load() {
    loaded_ = true;
    generation_ = ++lastGeneration;
    answers_.clear();
    std::string reason;
    std::FILE* file = platform::OpenRegularFile(path_, &reason);
    if (file == nullptr) {
        return; // none yet, or unreadable: the answers from now on are kept
    }
    std::string bytes;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    answers_ = core::ParseAnswersLog(bytes);
}

const std::vector<core::LoggedAnswer>& AnswersLog::answers() {
    if (!loaded_) {
        load();
    }
    return answers_;
}

bool AnswersLog::add(const core::LoggedAnswer& answer, std::string* reason) {
    answers();
    answers_.push_back(answer);
    generation_ = ++lastGeneration;
    if (answers_.size() >= kept_ + kept_ / 10 + 1) {
        return cutBack(reason);
    }
    return platform::AppendPrivateFile(path_, core::FormatAnswerLine(answer), reason);
}

// Replaced whole through a new file: a crash leaves the old log or the new.
bool AnswersLog::cutBack(std::string* reason) {
    answers_.erase(answers_.begin(), answers_.end() - std::ptrdiff_t(kept_));
    std::string bytes;
    for (const core::LoggedAnswer& a : answers_) {
        bytes += core::FormatAnswerLine(a);
    }
    return platform::SavePrivateFile(path_, bytes, 0600, reason);
}

namespace {

std::unique_ptr<AnswersLog> theLog;

} // namespace

// Where the log is follows from the program's folder, looked up once a run
// (a paint asks for the log's folder, and must not touch the file system).
void OpenAnswersLog() {
    std::string path;
    if (!GetAnswersLogPath(&path)) {
        path.clear();
    }
    theLog = std::make_unique<AnswersLog>(path);
}

AnswersLog& TheAnswersLog() {
    if (theLog == nullptr) {
        OpenAnswersLog();
    }
    return *theLog;
}

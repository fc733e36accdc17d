// The log of every answer the viewer received, kept in a file of its own
// (see GetAnswersLogPath): each answer is appended as one line, so a crash
// never takes an earlier one away, and the file is cut back to the newest
// answers only now and then, by replacing it whole.
#pragma once

#include "core/answers_log.h"

#include <cstddef>
#include <string>
#include <vector>

class AnswersLog {
public:
    // The newest answers kept; the file is cut back to them when it holds a
    // tenth more.
    static constexpr std::size_t kKept = 10000;

    explicit AnswersLog(std::string path, std::size_t kept = kKept);

    // Adds the answer at the end of the file (read first, when not yet).
    // False with the reason when it could not be written; the answer is
    // still among answers().
    bool add(const core::LoggedAnswer& answer, std::string* reason);

    // The answers, oldest first, as the file holds them (read when first
    // asked for; a file that cannot be read holds none).
    const std::vector<core::LoggedAnswer>& answers();

    const std::string& path() const { return path_; }

    // Changes whenever answers() does, and differs from every other log's:
    // what is worked out from the answers (the trails a paint draws) is
    // kept until then.
    unsigned long generation() const { return generation_; }

private:
    void load();
    bool cutBack(std::string* reason);

    std::string path_;
    std::size_t kept_;
    bool loaded_ = false;
    unsigned long generation_;
    std::vector<core::LoggedAnswer> answers_;
};

// Finds where the viewer's log is (GetAnswersLogPath), without reading it.
void OpenAnswersLog();
// The viewer's log, found on first use when OpenAnswersLog was not called.
AnswersLog& TheAnswersLog();

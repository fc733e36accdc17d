// An answer as the viewer logs it: received then, from that number, read
// from its text.
#pragma once

#include "core/answers_log.h"

#include <cstdint>
#include <string>

inline core::LoggedAnswer ReceivedAnswer(std::int64_t when, std::string number,
                                         std::u16string text) {
    core::LoggedAnswer a;
    a.received = when;
    a.number = std::move(number);
    a.text = std::move(text);
    a.read = ReadTrackerReport(a.text);
    return a;
}

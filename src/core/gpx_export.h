// The answers log as GPX 1.1: one track per sender (numbers compared by
// their digits, named as first seen), each answer with a position a point
// with its time, what was read in <fix> and <desc>.
#pragma once

#include "answers_log.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct GpxFilter {
    std::int64_t since = INT64_MIN; // answers received at or after this time
    std::string number;             // only this sender's (digits compared); empty: all
};

// The GPX document; `points` receives how many track points it holds.
std::string GpxDocument(const std::vector<LoggedAnswer>& answers, const GpxFilter& filter,
                        std::size_t* points = nullptr);

// "2026-12-09" (midnight UTC) or "2026-12-09T14:58:41Z"; false otherwise.
bool ParseSinceDate(std::string_view text, std::int64_t* seconds);

// Whether two numbers are the same sender: the same digits, a leading '+'
// or "00" aside.
bool SameSender(std::string_view a, std::string_view b);

} // namespace core

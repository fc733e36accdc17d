// The trackers' answers the viewer received, as lines of a text file: one
// answer a line, oldest first, so that an answer is added by appending one
// line and a line cut short by a crash is only ever the last one.
//
//   2026-12-09T14:58:41Z <TAB> +380501234567 <TAB> gps <TAB> 50.450120 <TAB> 30.523410 <TAB> text
//
// The fields: when it was received (UTC), the sender's number as the gate
// saw it (empty when not told), what the reader made of it (none, gps, last,
// cell) with latitude and longitude (empty for none), and the text with
// '\\', tab, line feed and carriage return escaped as \\ \t \n \r.
#pragma once

#include "report_reader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct LoggedAnswer {
    std::int64_t received = 0; // seconds since 1970-01-01 UTC
    std::string number;        // as the gate saw it; empty when it was not told
    std::u16string text;
    TrackerReport read; // what the reader made of the text
};

// The line for the answer, ending in '\n'.
std::string FormatAnswerLine(const LoggedAnswer& answer);

// The answer a line (without its '\n') holds; false for a damaged line.
bool ParseAnswerLine(std::string_view line, LoggedAnswer* answer);

// Every whole, well-formed line of a log, oldest first; a damaged line, or
// a last line without its '\n', is left out.
std::vector<LoggedAnswer> ParseAnswersLog(std::string_view bytes);

// "2026-12-09T14:58:41Z", and back; false for anything else.
std::string FormatUtcTime(std::int64_t seconds);
bool ParseUtcTime(std::string_view text, std::int64_t* seconds);

// How long ago, in words: "under a minute", "12 min", "3 h 5 min", "2 days".
std::u16string DescribeAge(std::int64_t seconds);

// The quality's word in the log ("none", "gps", "last", "cell").
const char* QualityWord(FixQuality quality);

} // namespace core

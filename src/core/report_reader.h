// Reading a tracker's answer: where it says the tracker is, and how it knows
// (a GPS fix, a position kept from an earlier fix, cell towers), or that it
// says nowhere. Pure functions, shared by the viewer and the gate.
#pragma once

#include <string>
#include <string_view>

enum class FixQuality {
    NoPosition, // the answer states none, says there is no fix, or is unsure
    Gps,
    LastKnown,  // "LAST POS": an earlier fix
    CellTowers, // "LBS", "Cell ID": where the network places it
};

struct TrackerReport {
    FixQuality quality = FixQuality::NoPosition;
    double latitude = 0; // degrees, north and east positive
    double longitude = 0;
    bool hasPosition() const { return quality != FixQuality::NoPosition; }
};

// The shapes trackers write are tried first, in any order of fields and
// any case (see report_shapes.h); only when none is found, the last two
// numbers of the text, a minus right before one making it negative. A
// value that is not finite or lies beyond +-90 / +-180, the point 0, 0 that
// trackers send without a fix, and a text saying there is no fix (NO GPS,
// GPS: V, Fix: V, ERROR GPS...) give no position.
TrackerReport ReadTrackerReport(std::u16string_view text);

// What was read, in a line: "22.57128 N 113.87712 E, GPS fix", "no position
// in this answer".
std::u16string DescribeTrackerReport(const TrackerReport& report);

// The digits and the dot: what the numbers of a text are made of.
bool IsNumberChar(char16_t c);

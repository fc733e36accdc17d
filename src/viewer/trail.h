// The trail on the map: each tracker's last positions from the answers log,
// small marks joined by a line in a colour of the tracker's own, older ones
// fainter, the newest a cross. Off until the user turns it on (Options >
// TR-101 > Trail); the choice is kept in "trail-shown" beside the log.
#pragma once

#include "core/answers_log.h"

#include "map/map_desc.h"

#include "platform/drawing/gdi.h"

#include <string>
#include <vector>

// The positions drawn of each tracker.
constexpr std::size_t kTrailPositions = 20;

bool TrailShown();
// Sets the choice and keeps it; a choice that cannot be kept is said on
// standard error and holds for this run.
void SetTrailShown(bool shown);

// One tracker's trail: its number and its last positions, oldest first.
struct TrackerTrail {
    std::string number;
    std::vector<const core::LoggedAnswer*> positions;
};

// The trails in the answers, one a sender (numbers compared by digits), in
// the order the senders first answered; each at most kTrailPositions long.
std::vector<TrackerTrail> TrailsOf(const std::vector<core::LoggedAnswer>& answers);

// The colour of the n-th trail.
COLORREF TrailColour(std::size_t n);

// Draws the trails of the answers log over the map, when shown.
void DrawTrails(HDC dc, const TMapDesc& desc, int scale);

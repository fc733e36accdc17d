#include "trail.h"

#include "answers_log.h"
#include "paint_view.h"

#include "core/gpx_export.h"

#include "platform/system/files.h"
#include "platform/system/private_files.h"

#include <cstdio>
#include <iterator>

namespace {

// Colours apart from the crosses' red and yellow and from a map's usual
// greens and greys.
const COLORREF kColours[] = {RGB(0, 64, 255),  RGB(220, 0, 200), RGB(255, 120, 0),
                             RGB(0, 170, 170), RGB(120, 0, 200), RGB(150, 90, 0)};

// The choice as read from, or last written to, the file at shownPath.
int shownChoice = 0;
std::string shownPath;

std::string choicePath() {
    return platform::FolderOf(TheAnswersLog().path()) + "/trail-shown";
}

// Toward white as the position gets older: the oldest drawn a third as strong.
COLORREF faded(COLORREF colour, std::size_t age, std::size_t count) {
    const int strength = 100 - int(67 * age / (count > 1 ? count - 1 : 1));
    auto mix = [strength](int c) { return (c * strength + 255 * (100 - strength)) / 100; };
    return RGB(mix(GetRValue(colour)), mix(GetGValue(colour)), mix(GetBValue(colour)));
}

void stroke(HDC dc, COLORREF colour, int width, POINT from, POINT to) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    SelectObject(dc, previous);
    DeleteObject(pen);
}

void drawTrail(HDC dc, const TMapDesc& desc, const TrackerTrail& trail, COLORREF colour,
               int scale) {
    const std::size_t n = trail.positions.size();
    POINT previous{};
    for (std::size_t i = 0; i < n; ++i) {
        const core::LoggedAnswer& a = *trail.positions[i];
        const POINT p = ViewPointOf(desc, float(a.read.longitude), float(a.read.latitude));
        const COLORREF c = faded(colour, n - 1 - i, n);
        if (i > 0) {
            stroke(dc, c, scale, previous, p);
        }
        if (i + 1 < n) {
            stroke(dc, c, 3 * scale, p, POINT{p.x + 1, p.y}); // a mark
        } else {
            const int arm = 3 * scale;
            stroke(dc, colour, scale, POINT{p.x - arm, p.y - arm},
                   POINT{p.x + arm + 1, p.y + arm + 1});
            stroke(dc, colour, scale, POINT{p.x - arm, p.y + arm},
                   POINT{p.x + arm + 1, p.y - arm - 1});
        }
        previous = p;
    }
}

} // namespace

bool TrailShown() {
    if (shownPath != choicePath()) {
        shownPath = choicePath();
        std::string reason;
        std::FILE* file = platform::OpenRegularFile(shownPath, &reason);
        shownChoice = 0;
        if (file != nullptr) {
            shownChoice = std::fgetc(file) == '1' ? 1 : 0;
            std::fclose(file);
        }
    }
    return shownChoice == 1;
}

void SetTrailShown(bool shown) {
    shownPath = choicePath();
    shownChoice = shown ? 1 : 0;
    std::string reason;
    if (!platform::SavePrivateFile(shownPath, shown ? "1\n" : "0\n", 0600, &reason)) {
        std::fprintf(stderr, "tarvo: the trail choice is not kept: %s\n", reason.c_str());
    }
}

std::vector<TrackerTrail> TrailsOf(const std::vector<core::LoggedAnswer>& answers) {
    std::vector<TrackerTrail> trails;
    for (const core::LoggedAnswer& a : answers) {
        if (!a.read.hasPosition()) {
            continue;
        }
        std::size_t t = 0;
        while (t < trails.size() && !core::SameSender(trails[t].number, a.number)) {
            ++t;
        }
        if (t == trails.size()) {
            trails.push_back({a.number, {}});
        }
        auto& positions = trails[t].positions;
        positions.push_back(&a);
        if (positions.size() > kTrailPositions) {
            positions.erase(positions.begin());
        }
    }
    return trails;
}

COLORREF TrailColour(std::size_t n) {
    return kColours[n % std::size(kColours)];
}

void DrawTrails(HDC dc, const TMapDesc& desc, int scale) {
    if (!TrailShown()) {
        return;
    }
    // Worked out again only when the log changed, not on every paint: the
    // log may hold 10,000 answers.
    static unsigned long trailsGeneration = 0;
    static std::vector<TrackerTrail> trails;
    AnswersLog& log = TheAnswersLog();
    const std::vector<core::LoggedAnswer>& answers = log.answers();
    if (trailsGeneration != log.generation()) {
        trails = TrailsOf(answers);
        trailsGeneration = log.generation();
    }
    for (std::size_t t = 0; t < trails.size(); ++t) {
        drawTrail(dc, desc, trails[t], TrailColour(t), scale);
    }
}

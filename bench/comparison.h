// Comparisons of a measured operation with its floor, timed in one run and
// in alternation: pair after pair, the two sides take turns going first,
// so that a slow spell of a shared machine falls on both. Each figure is the
// median of the pairs' ratios, for wall time and for the CPU time of the
// whole process (every thread), side by side.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// One side: `prepare` (may be empty) runs untimed before each timed `run`.
struct Side {
    std::function<void()> prepare;
    std::function<void()> run;
};

struct Sides {
    Side measured;
    Side floor;
};

// Where a figure goes in the report: a list row, or a cell of a table with
// rows and columns (e.g. screens by zooms).
struct Placement {
    std::string table; // empty: the list
    std::string row;
    std::string column;
};

struct Figure {
    Figure(std::string label_, Placement place_, double goal_)
        : label(std::move(label_)), place(std::move(place_)), goal(goal_) {}

    std::string label;
    Placement place;
    double goal; // the ratio not to exceed; 0: no goal, shown for information
    double wallRatio = 0, cpuRatio = 0;
    double measuredWall = 0, floorWall = 0, measuredCpu = 0, floorCpu = 0; // seconds
    std::string note;
    bool met() const { return goal <= 0 || wallRatio <= goal; }
};

// The timed pairs of a comparison: each pair's ratios and both sides'
// times, their medians put into a figure.
class PairTimes {
public:
    void add(double measuredWall, double measuredCpu, double floorWall, double floorCpu);
    void fillIn(Figure& figure) const;

private:
    std::vector<double> wallRatios_, cpuRatios_, measuredWall_, floorWall_, measuredCpu_, floorCpu_;
};

// The middle value (the mean of the two middle ones for an even count); 0
// for none.
double Median(std::vector<double> values);

// Registers a comparison as a benchmark called `name`. The sides are made
// when it runs (so that maps are built only for what the filter selects);
// `pairs` pairs are timed. A run shorter than about half a millisecond is
// timed in batches of runs, so that the clock's cost does not count.
void Compare(const std::string& name, Figure figure, std::function<Sides()> make, int pairs = 15);

// Adds a figure measured some other way (the start-up's, by child processes).
void RecordFigure(Figure figure);

// The figures of this run, in the order measured.
const std::vector<Figure>& Figures();

// The process's CPU time so far, every thread counted, in seconds.
double ProcessCpuSeconds();

} // namespace bench

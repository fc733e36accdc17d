// mapcut's command line: its options, and what they come to.
#pragma once

#include "cutter.h"
#include "input_check.h"
#include "map_grid.h"
#include "map_raster.h"

#include <optional>
#include <string>
#include <vector>

namespace mapcut {

extern const char kUsage[];

struct Arguments {
    std::vector<std::string> inputs;
    std::string prefix;
    std::optional<Bounds> bounds;
    GridOptions grid;
    std::optional<Resampling> resampling;
    std::optional<TileFormat> format;
    CutOptions cut;
    InputPolicy policy;
    bool quiet = false;
};

// False with the reason when the command line is wrong.
bool ParseArguments(int argc, char** argv, Arguments* arguments, std::string* error);

} // namespace mapcut

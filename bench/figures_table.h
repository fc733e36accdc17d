// The figures of a run as Markdown tables, and their place in a document.
#pragma once

#include "comparison.h"

#include <string>
#include <vector>

namespace bench {

// A list of the figures that stand alone, then one table for each group of
// figures placed in rows and columns. Each ratio is the wall time's, with
// the CPU time's beside it; a missed goal is marked.
std::string FiguresTables(const std::vector<Figure>& figures);

// Replaces what lies between the file's lines "<!-- figures begin -->" and
// "<!-- figures end -->" with the tables.
bool WriteFiguresInto(const std::string& path, const std::string& tables, std::string* error);

} // namespace bench

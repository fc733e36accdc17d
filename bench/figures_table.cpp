#include "figures_table.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace bench {

namespace {

std::string number(double v, const char* format = "%.2f") {
    char text[32];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string duration(double seconds) {
    return seconds >= 1e-3 ? number(seconds * 1e3, "%.1f ms") : number(seconds * 1e6, "%.1f us");
}

// "1.23 (cpu 2.01)", marked when it misses its goal.
std::string ratioCell(const Figure& f) {
    std::string cell = number(f.wallRatio);
    if (f.cpuRatio > 0) {
        cell += " (cpu " + number(f.cpuRatio) + ")";
    }
    return f.met() ? cell : "**" + cell + " missed**";
}

std::string list(const std::vector<Figure>& figures) {
    std::ostringstream out;
    out << "| Comparison | Goal | Ratio: wall (CPU) | Measured | Floor |\n"
        << "|---|---|---|---|---|\n";
    for (const Figure& f : figures) {
        if (!f.place.table.empty()) {
            continue;
        }
        const bool timed = f.measuredWall > 0;
        out << "| " << f.label << " | " << (f.goal > 0 ? "<= " + number(f.goal) : "-") << " | "
            << ratioCell(f) << " | "
            << (timed ? duration(f.measuredWall) + " (cpu " + duration(f.measuredCpu) + ")"
                      : f.note)
            << " | "
            << (timed ? duration(f.floorWall) + " (cpu " + duration(f.floorCpu) + ")" : "-")
            << " |\n";
    }
    return out.str();
}

// One table: rows in the order first met, columns likewise.
std::string table(const std::string& name, const std::vector<Figure>& figures) {
    std::vector<std::string> rows, columns;
    std::map<std::pair<std::string, std::string>, const Figure*> cells;
    double goal = 0;
    for (const Figure& f : figures) {
        if (f.place.table != name) {
            continue;
        }
        if (std::find(rows.begin(), rows.end(), f.place.row) == rows.end()) {
            rows.push_back(f.place.row);
        }
        if (std::find(columns.begin(), columns.end(), f.place.column) == columns.end()) {
            columns.push_back(f.place.column);
        }
        cells[{f.place.row, f.place.column}] = &f;
        goal = f.goal;
    }
    std::ostringstream out;
    out << "\n" << name << " (goal <= " << number(goal) << "; wall, CPU in brackets)\n\n| |";
    for (const std::string& c : columns) {
        out << " " << c << " |";
    }
    out << "\n|---|";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        out << "---|";
    }
    for (const std::string& r : rows) {
        out << "\n| " << r << " |";
        for (const std::string& c : columns) {
            auto it = cells.find({r, c});
            out << " " << (it != cells.end() ? ratioCell(*it->second) : "") << " |";
        }
    }
    out << "\n";
    return out.str();
}

} // namespace

std::string FiguresTables(const std::vector<Figure>& figures) {
    std::vector<std::string> tables;
    for (const Figure& f : figures) {
        if (!f.place.table.empty() &&
            std::find(tables.begin(), tables.end(), f.place.table) == tables.end()) {
            tables.push_back(f.place.table);
        }
    }
    char when[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(when, sizeof when, "%Y-%m-%d", std::gmtime(&now));
    std::string out = std::string("Measured ") + when + " on " +
                      std::to_string(std::thread::hardware_concurrency()) +
                      " cores; each ratio is the median of alternated pairs.\n\n" + list(figures);
    for (const std::string& name : tables) {
        out += table(name, figures);
    }
    return out;
}

bool WriteFiguresInto(const std::string& path, const std::string& tables, std::string* error) {
    static const std::string kBegin = "<!-- figures begin -->", kEnd = "<!-- figures end -->";
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string document = text.str();
    const std::size_t begin = document.find(kBegin);
    const std::size_t end = document.find(kEnd);
    if (!in || begin == std::string::npos || end == std::string::npos || end < begin) {
        *error = path + ": no lines " + kBegin + " and " + kEnd + " to write between";
        return false;
    }
    const std::string updated =
        document.substr(0, begin + kBegin.size()) + "\n" + tables + document.substr(end);
    std::ofstream out(path, std::ios::trunc);
    out << updated;
    if (!out.flush()) {
        *error = path + ": cannot be written";
        return false;
    }
    return true;
}

} // namespace bench

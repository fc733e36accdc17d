#include "map_desc.h"

#include "core/c_numbers.h"

#include <cmath>

namespace {

// Reads lines as a stream's getline into a 128-character buffer does: at most
// 127 characters are stored; a longer line sets the stream's fail state, after
// which every read yields an empty line, as does reading past the end.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    std::string next() {
        std::string line;
        if (failed_ || rest_.empty()) {
            failed_ = true;
            return line;
        }
        while (!rest_.empty()) {
            char c = rest_.front();
            if (c == '\n') {
                rest_.remove_prefix(1);
                return line;
            }
            if (line.size() == kMaxLine) {
                failed_ = true;
                return line;
            }
            line.push_back(c);
            rest_.remove_prefix(1);
        }
        return line;
    }

private:
    static constexpr std::size_t kMaxLine = 127;
    std::string_view rest_;
    bool failed_ = false;
};

float readReal(LineReader& lines) {
    lines.next();
    return float(core::CStringToDouble(lines.next().c_str()));
}

std::uint32_t readInteger(LineReader& lines) {
    lines.next();
    return std::uint32_t(core::CStringToInt(lines.next().c_str()));
}

} // namespace

TMapDesc ParseMapDescription(std::string_view text) {
    LineReader lines(text);
    TMapDesc d;
    d.width = readInteger(lines);
    d.height = readInteger(lines);
    d.left = readReal(lines);
    d.top = readReal(lines);
    d.right = readReal(lines);
    d.bottom = readReal(lines);
    // A zero size is refused by CheckMapDescription; the scale stays 0 rather
    // than dividing by zero.
    if (d.width != 0) {
        d.xscale = (d.right - d.left) / float(d.width);
    }
    if (d.height != 0) {
        d.yscale = (d.bottom - d.top) / float(d.height);
    }
    d.xtiles = d.width / kTileSide;
    d.ytiles = d.height / kTileSide;
    return d;
}

std::string CheckMapDescription(const TMapDesc& d) {
    if (d.width == 0) {
        return "desc.txt gives a width of 0";
    }
    if (d.height == 0) {
        return "desc.txt gives a height of 0";
    }
    if (!std::isfinite(d.left) || !std::isfinite(d.top) || !std::isfinite(d.right) ||
        !std::isfinite(d.bottom)) {
        return "desc.txt gives an edge that is not a finite number";
    }
    if (d.right == d.left) {
        return "desc.txt gives the same longitude for the left and right edges";
    }
    if (d.top == d.bottom) {
        return "desc.txt gives the same latitude for the top and bottom edges";
    }
    if (!std::isfinite(d.xscale) || d.xscale == 0) {
        return "desc.txt gives a longitude scale that is not a finite non-zero number";
    }
    if (!std::isfinite(d.yscale) || d.yscale == 0) {
        return "desc.txt gives a latitude scale that is not a finite non-zero number";
    }
    return {};
}

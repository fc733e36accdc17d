#include "world_file.h"

#include "platform/c_numbers.h"

#include <cmath>
#include <fstream>
#include <sys/stat.h>

namespace mapcut {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::string FindWorldFile(const std::string& imagePath) {
    std::size_t dot = imagePath.find_last_of('.');
    std::size_t slash = imagePath.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot + 1 >= imagePath.size()) {
        return exists(imagePath + ".wld") ? imagePath + ".wld" : std::string();
    }
    const std::string stem = imagePath.substr(0, dot);
    const std::string ext = imagePath.substr(dot + 1);
    const std::string candidates[] = {stem + "." + ext.front() + ext.back() + "w",
                                      stem + "." + ext + "w", stem + ".wld"};
    for (const std::string& c : candidates) {
        if (exists(c)) {
            return c;
        }
    }
    return {};
}

bool ReadWorldFile(const std::string& path, std::uint32_t width, std::uint32_t height,
                   Bounds* bounds, std::string* error) {
    std::ifstream in(path);
    double v[6];
    std::string line;
    for (double& value : v) {
        if (!std::getline(in, line)) {
            *error = path + ": a world file has six lines";
            return false;
        }
        value = platform::CStringToDouble(line.c_str());
        if (!std::isfinite(value)) {
            *error = path + ": not a number: " + line;
            return false;
        }
    }
    const double a = v[0], d = v[1], b = v[2], e = v[3], c = v[4], f = v[5];
    if (d != 0 || b != 0) {
        *error = path + ": the image is rotated; only north-up images can be cut";
        return false;
    }
    if (a == 0 || e == 0) {
        *error = path + ": a pixel size of 0";
        return false;
    }
    bounds->left = c - a / 2;
    bounds->top = f - e / 2;
    bounds->right = bounds->left + a * width;
    bounds->bottom = bounds->top + e * height;
    return true;
}

} // namespace mapcut

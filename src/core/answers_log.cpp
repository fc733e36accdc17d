#include "answers_log.h"

#include "c_numbers.h"
#include "utf8.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace core {

namespace {

struct QualityName {
    FixQuality quality;
    const char* word;
};
const QualityName kQualities[] = {{FixQuality::NoPosition, "none"},
                                  {FixQuality::Gps, "gps"},
                                  {FixQuality::LastKnown, "last"},
                                  {FixQuality::CellTowers, "cell"}};

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool unescaped(std::string_view text, std::string* out) {
    out->clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            *out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        switch (text[i]) {
        case '\\':
            *out += '\\';
            break;
        case 't':
            *out += '\t';
            break;
        case 'n':
            *out += '\n';
            break;
        case 'r':
            *out += '\r';
            break;
        default:
            return false;
        }
    }
    return true;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;
         tab = line.find('\t', start)) {
        parts.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    parts.push_back(line.substr(start));
    return parts;
}

// A decimal number and nothing else, within the bound.
bool parseDegrees(std::string_view text, double bound, double* value) {
    if (text.empty() || text.size() > 32) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!(c >= '0' && c <= '9') && c != '.' && !(c == '-' && i == 0)) {
            return false;
        }
    }
    *value = CStringToDouble(std::string(text).c_str());
    return std::isfinite(*value) && std::fabs(*value) <= bound;
}

bool validNumber(std::string_view number) {
    for (char c : number) {
        if (!(c >= '0' && c <= '9') && c != '+' && c != '*' && c != '#') {
            return false;
        }
    }
    return number.size() <= 32;
}

} // namespace

const char* QualityWord(FixQuality quality) {
    for (const QualityName& q : kQualities) {
        if (q.quality == quality) {
            return q.word;
        }
    }
    return "none";
}

std::u16string DescribeAge(std::int64_t seconds) {
    auto n = [](std::int64_t v) { return FromUtf8(std::to_string(v)); };
    if (seconds < 60) {
        return u"under a minute";
    }
    if (seconds < 3600) {
        return n(seconds / 60) + u" min";
    }
    if (seconds < 86400) {
        return n(seconds / 3600) + u" h " + n(seconds % 3600 / 60) + u" min";
    }
    const std::int64_t days = seconds / 86400;
    return n(days) + (days == 1 ? u" day" : u" days");
}

std::string FormatUtcTime(std::int64_t seconds) {
    const std::time_t t = std::time_t(seconds);
    std::tm parts{};
    if (gmtime_r(&t, &parts) == nullptr) {
        return "1970-01-01T00:00:00Z";
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

bool ParseUtcTime(std::string_view text, std::int64_t* seconds) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z') {
        return false;
    }
    int values[6];
    const int starts[6] = {0, 5, 8, 11, 14, 17}, lengths[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i) {
        values[i] = 0;
        for (int k = 0; k < lengths[i]; ++k) {
            const char c = text[std::size_t(starts[i] + k)];
            if (c < '0' || c > '9') {
                return false;
            }
            values[i] = values[i] * 10 + (c - '0');
        }
    }
    // Nothing was received before 1970: an earlier year is a damaged line.
    if (values[0] < 1970 || values[1] < 1 || values[1] > 12 || values[2] < 1 || values[2] > 31 ||
        values[3] > 23 || values[4] > 59 || values[5] > 59) {
        return false;
    }
    std::tm parts{};
    parts.tm_year = values[0] - 1900;
    parts.tm_mon = values[1] - 1;
    parts.tm_mday = values[2];
    parts.tm_hour = values[3];
    parts.tm_min = values[4];
    parts.tm_sec = values[5];
    *seconds = std::int64_t(timegm(&parts));
    return true;
}

std::string FormatAnswerLine(const LoggedAnswer& answer) {
    std::string line = FormatUtcTime(answer.received) + '\t' + escaped(answer.number) + '\t' +
                       QualityWord(answer.read.quality) + '\t';
    if (answer.read.hasPosition()) {
        char position[64];
        std::snprintf(position, sizeof position, "%.6f\t%.6f", answer.read.latitude,
                      answer.read.longitude);
        line += position;
    } else {
        line += '\t';
    }
    return line + '\t' + escaped(ToUtf8(answer.text)) + '\n';
}

bool ParseAnswerLine(std::string_view line, LoggedAnswer* answer) {
    const std::vector<std::string_view> parts = fields(line);
    if (parts.size() != 6 || !ParseUtcTime(parts[0], &answer->received)) {
        return false;
    }
    std::string text;
    if (!unescaped(parts[1], &answer->number) || !validNumber(answer->number) ||
        !unescaped(parts[5], &text)) {
        return false;
    }
    answer->text = FromUtf8(text);
    answer->read = TrackerReport{};
    bool known = false;
    for (const QualityName& q : kQualities) {
        if (parts[2] == q.word) {
            answer->read.quality = q.quality;
            known = true;
        }
    }
    if (!known) {
        return false;
    }
    if (!answer->read.hasPosition()) {
        return parts[3].empty() && parts[4].empty();
    }
    return parseDegrees(parts[3], 90, &answer->read.latitude) &&
           parseDegrees(parts[4], 180, &answer->read.longitude);
}

std::vector<LoggedAnswer> ParseAnswersLog(std::string_view bytes) {
    std::vector<LoggedAnswer> answers;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\n'); end != std::string_view::npos;
         end = bytes.find('\n', start)) {
        LoggedAnswer answer;
        if (ParseAnswerLine(bytes.substr(start, end - start), &answer)) {
            answers.push_back(std::move(answer));
        }
        start = end + 1;
    }
    return answers;
}

} // namespace core

#include "answers_menu.h"

#include "answers_log.h"
#include "app_state.h"
#include "ask_tracker.h"
#include "tracker_report.h"
#include "view_moves.h"
#include "view_state.h"

#include "core/gpx_export.h"
#include "core/utf8.h"

#include "viewer/res/resource_ids.h"

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

namespace {

// What the items of the menu last filled stand for.
std::vector<core::LoggedAnswer> shownAnswers;
std::vector<std::string> offeredNumbers;

// "14:58" today, "09.12 14:58" on another day, in local time.
std::u16string whenText(std::int64_t received) {
    const std::time_t t = std::time_t(received), now = std::time(nullptr);
    std::tm at{}, today{};
    localtime_r(&t, &at);
    localtime_r(&now, &today);
    char text[32];
    const bool sameDay = at.tm_yday == today.tm_yday && at.tm_year == today.tm_year;
    std::strftime(text, sizeof text, sameDay ? "%H:%M" : "%d.%m %H:%M", &at);
    return core::FromUtf8(text);
}

std::u16string itemText(const core::LoggedAnswer& a) {
    const std::u16string number = a.number.empty() ? u"unknown" : core::FromUtf8(a.number);
    const std::u16string read =
        a.read.hasPosition() ? DescribeTrackerReport(a.read) : u"no position";
    return whenText(a.received) + u" " + number + u": " + read;
}

// The senders of the answers, newest first, other than the saved number.
std::vector<std::string> otherNumbers(const std::vector<core::LoggedAnswer>& answers) {
    const std::string saved = core::ToUtf8(theApp.trackerNumber);
    std::vector<std::string> numbers;
    for (auto it = answers.rbegin(); it != answers.rend() && numbers.size() < kNumbersOffered;
         ++it) {
        bool seen = it->number.empty() || core::SameSender(it->number, saved);
        for (const std::string& n : numbers) {
            seen = seen || core::SameSender(n, it->number);
        }
        if (!seen) {
            numbers.push_back(it->number);
        }
    }
    return numbers;
}

} // namespace

bool IsAnswersMenu(HMENU popup) {
    const UINT first = GetMenuItemID(popup, 0);
    return first == IDM_NO_ANSWERS || (first >= IDM_ANSWER_FIRST && first <= IDM_ANSWER_LAST);
}

void FillAnswersMenu(HMENU popup) {
    while (GetMenuItemCount(popup) > 0) {
        DeleteMenu(popup, 0, MF_BYPOSITION);
    }
    const std::vector<core::LoggedAnswer>& answers = TheAnswersLog().answers();
    shownAnswers.assign(answers.end() - std::ptrdiff_t(std::min(answers.size(), kAnswersShown)),
                        answers.end());
    offeredNumbers = otherNumbers(answers);
    if (shownAnswers.empty()) {
        AppendMenu(popup, MF_GRAYED, IDM_NO_ANSWERS, u"No answers yet");
    }
    for (std::size_t i = 0; i < shownAnswers.size(); ++i) {
        const core::LoggedAnswer& a = shownAnswers[shownAnswers.size() - 1 - i];
        AppendMenu(popup, a.read.hasPosition() ? MF_STRING : MF_GRAYED, IDM_ANSWER_FIRST + UINT(i),
                   itemText(a).c_str());
    }
    for (std::size_t i = 0; i < offeredNumbers.size(); ++i) {
        const std::u16string text = u"Request from " + core::FromUtf8(offeredNumbers[i]);
        AppendMenu(popup, MF_STRING, IDM_REQUEST_FROM_FIRST + UINT(i), text.c_str());
    }
}

bool OnAnswersCommand(unsigned id) {
    if (id >= IDM_ANSWER_FIRST && id < IDM_ANSWER_FIRST + shownAnswers.size()) {
        const core::LoggedAnswer& a =
            shownAnswers[shownAnswers.size() - 1 - (id - IDM_ANSWER_FIRST)];
        if (a.read.hasPosition()) {
            theView.centreLongitude = float(a.read.longitude);
            theView.centreLatitude = float(a.read.latitude);
            RepaintView();
        }
        return true;
    }
    if (id >= IDM_REQUEST_FROM_FIRST && id < IDM_REQUEST_FROM_FIRST + offeredNumbers.size()) {
        const std::string number = offeredNumbers[id - IDM_REQUEST_FROM_FIRST];
        RequestTrackerPosition(core::FromUtf8(number));
        return true;
    }
    return false;
}

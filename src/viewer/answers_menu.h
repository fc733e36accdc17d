// Options > TR-101 > Answers: the newest answers, newest first, with their
// time, sender, position and what kind of position; choosing one centres
// the map there. Below them, "Request from" each other number seen, which
// opens the request form with that number in it. A menu rather than a form:
// the soft-key menus already go by keys alone on a handset.
#pragma once

#include "platform/windows/menu.h"

#include <cstddef>

constexpr std::size_t kAnswersShown = 10;
constexpr std::size_t kNumbersOffered = 5;

// Whether the popup is the Answers menu (its first item is one of ours).
bool IsAnswersMenu(HMENU popup);
// Puts the newest answers and the numbers seen into it as it opens.
void FillAnswersMenu(HMENU popup);
// Handles a command of the Answers menu; false for any other.
bool OnAnswersCommand(unsigned id);

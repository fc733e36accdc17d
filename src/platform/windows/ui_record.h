// What the user would see, recorded for tests and scripted runs. With
// TARVO_UI_RECORD=FILE in the environment (or a sink set by the program)
// message boxes do not wait for the user: each is written down, as are message
// beeps, debug output and window-level events, one line each:
//   messagebox<TAB>style<TAB>caption<TAB>text    (line feeds in text as \n)
//   beep<TAB>type
//   debug<TAB>text
//   home<TAB>shown / foreground<TAB>title / back<TAB>
//   dialog<TAB>title                              (a form is shown)
#pragma once

#include <string>
#include <vector>

namespace platform {

bool RecordingUi();
void RecordUiEvent(const std::string& kind, const std::vector<std::string>& fields);

// Where the lines go instead of the file, when set (null: the file).
using UiRecordSink = void (*)(const std::string& line, void* context);
void SetUiRecordSink(UiRecordSink sink, void* context);

} // namespace platform

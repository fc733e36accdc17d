// What the user would see, recorded for tests and scripted runs. With
// TARVO_UI_RECORD=FILE in the environment (or a Recording in a test) message
// boxes do not wait for the user: each is written down, as are message
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

namespace testing {

// Records in memory while it lives; message boxes then return at once.
class UiRecording {
public:
    UiRecording();
    ~UiRecording();
    UiRecording(const UiRecording&) = delete;
    UiRecording& operator=(const UiRecording&) = delete;
    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }

private:
    friend void platform::RecordUiEvent(const std::string&, const std::vector<std::string>&);
    std::vector<std::string> lines_;
    UiRecording* previous_;
};

} // namespace testing
} // namespace platform

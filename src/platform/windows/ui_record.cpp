#include "ui_record.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

UiRecordSink recordSink = nullptr;
void* recordSinkContext = nullptr;

const char* recordFile() {
    static const char* path = std::getenv("TARVO_UI_RECORD");
    return path != nullptr && *path != '\0' ? path : nullptr;
}

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

void SetUiRecordSink(UiRecordSink sink, void* context) {
    recordSink = sink;
    recordSinkContext = context;
}

bool RecordingUi() {
    return recordSink != nullptr || recordFile() != nullptr;
}

void RecordUiEvent(const std::string& kind, const std::vector<std::string>& fields) {
    std::string line = kind;
    for (const std::string& field : fields) {
        line += "\t" + escape(field);
    }
    if (recordSink != nullptr) {
        recordSink(line, recordSinkContext);
        return;
    }
    if (const char* path = recordFile()) {
        if (std::FILE* f = std::fopen(path, "a")) {
            std::fprintf(f, "%s\n", line.c_str());
            std::fclose(f);
        }
    }
}

} // namespace platform

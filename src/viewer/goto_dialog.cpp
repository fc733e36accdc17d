#include "goto_dialog.h"

#include "app_state.h"
#include "forms.h"
#include "view_state.h"

#include "core/coordinate_formats.h"

#include "viewer/res/resource_ids.h"

#include "platform/dialogs/dialog.h"

namespace {

// The fields of each form, latitude row then longitude row, and the fields
// whose presence tells that form apart.
struct GotoLayout {
    InputFormat format;
    int fieldCount;
    int latitude[3];
    int longitude[3];
    int required[6];
    int requiredCount;
};

constexpr GotoLayout kLayouts[] = {
    {InputDegrees, 2, {1000, 1001}, {1002, 1003}, {1000, 1001, 1002, 1003}, 4},
    // The minute fractions (1004, 1017) come with the form; they are not looked for.
    {InputDegreesMinutes, 3, {1005, 1006, 1004}, {1007, 1008, 1017}, {1005, 1006, 1007, 1008}, 4},
    {InputDegreesMinutesSeconds,
     3,
     {1011, 1014, 1009},
     {1012, 1013, 1010},
     {1011, 1014, 1009, 1012, 1013, 1010},
     6},
};

constexpr int kFieldUnits = 128; // 127 characters and the terminator

void fillRow(HWND dialog, InputFormat format, const int* ids, int count, float value) {
    const FieldTexts texts = FillFieldTexts(format, value);
    for (int i = 0; i < count; ++i) {
        if (GetDlgItem(dialog, ids[i]) != nullptr) {
            SetDlgItemText(dialog, ids[i], texts.field[i].c_str());
        }
    }
}

float readRow(HWND dialog, InputFormat format, const int* ids, int count) {
    std::u16string fields[3];
    for (int i = 0; i < count; ++i) {
        WCHAR text[kFieldUnits];
        GetDlgItemText(dialog, ids[i], text, kFieldUnits);
        fields[i] = text;
    }
    return ParseFieldTexts(format, fields);
}

bool hasFields(HWND dialog, const GotoLayout& layout) {
    for (int i = 0; i < layout.requiredCount; ++i) {
        if (GetDlgItem(dialog, layout.required[i]) == nullptr) {
            return false;
        }
    }
    return true;
}

} // namespace

int GotoDialogFor(std::int32_t inputFormat) {
    switch (inputFormat) {
    case InputDegreesMinutes:
        return IDD_GOTO_DEGREES_MINUTES;
    case InputDegreesMinutesSeconds:
        return IDD_GOTO_DEGREES_MINUTES_SECONDS;
    default:
        return IDD_GOTO_DEGREES;
    }
}

// The form's result is not used: Goto moves the centre before the form ends,
// and the view repaints once the form uncovers it.
void OpenGotoDialog() {
    DialogBoxParam(theApp.instance, MAKEINTRESOURCE(GotoDialogFor(theView.inputFormat)), nullptr,
                   GotoDialogProc, 0);
}

BOOL GotoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    static const FormActions kActions{FillGotoFields, ApplyGotoFields};
    return FormProcedure(kActions, dialog, message, wParam, lParam);
}

bool FillGotoFields(HWND dialog) {
    if (!SetUpFormBar(dialog, IDR_DIALOG_MENU)) {
        return false;
    }
    for (const GotoLayout& layout : kLayouts) {
        fillRow(dialog, layout.format, layout.latitude, layout.fieldCount, theView.centreLatitude);
        fillRow(dialog, layout.format, layout.longitude, layout.fieldCount,
                theView.centreLongitude);
    }
    return true;
}

void ApplyGotoFields(HWND dialog) {
    for (const GotoLayout& layout : kLayouts) {
        if (!hasFields(dialog, layout)) {
            continue;
        }
        theView.centreLatitude = readRow(dialog, layout.format, layout.latitude, layout.fieldCount);
        theView.centreLongitude =
            readRow(dialog, layout.format, layout.longitude, layout.fieldCount);
    }
}

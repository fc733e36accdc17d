// Positions as text: the notations of the position shown over the map, the
// texts of the go-to fields, and reading those fields back into degrees.
// Splitting is in single precision with truncation toward zero.
#pragma once

#include <cstdint>
#include <string>

enum DisplayFormat : std::int32_t {
    Off = 0,
    Degrees = 1,               // "%1.5f°"
    DegreesMinutes = 2,        // "%d°%1.4f'"
    DegreesMinutesSeconds = 3, // "%d°%d'%1.3f''"
};

enum InputFormat : std::int32_t {
    InputDegrees = 0,
    InputDegreesMinutes = 1,
    InputDegreesMinutesSeconds = 2,
};

// The notations before the user chooses any.
constexpr std::int32_t kDefaultDisplayFormat = Degrees;
constexpr std::int32_t kDefaultInputFormat = InputDegrees;

// x - trunc(x): the signed part below one.
float FractionalPart(float x);

// A coordinate split into whole degrees, minutes and seconds.
struct CoordinateParts {
    bool negative; // the sign, carried once (by the degrees)
    int degrees;   // D = trunc(|v|)
    float minutes; // M = FractionalPart(|v|) * 60
    int wholeMinutes;
    float seconds; // S = FractionalPart(M) * 60
};
CoordinateParts SplitCoordinate(float v);

constexpr int kPositionTextUnits = 128;

// The position text, latitude first, into a buffer of kPositionTextUnits
// units. Off, and any value outside the four formats, give the empty text.
void FormatPositionText(std::int32_t format, float latitude, float longitude,
                        char16_t (&text)[kPositionTextUnits]);
std::u16string PositionText(std::int32_t format, float latitude, float longitude);

// The go-to fields of one coordinate, in dialog order: degrees and fraction
// of a degree; degrees, minutes and fraction of a minute; degrees, minutes
// and seconds. A negative value carries its sign on the degrees field.
struct FieldTexts {
    int count;
    std::u16string field[3];
};
FieldTexts FillFieldTexts(std::int32_t format, float v);

// Reads the fields back. A fraction field's length sets its place value, so
// "   12" is 0.00012 and "12" is 0.12 of a degree. Nothing is range-checked.
float ParseFieldTexts(std::int32_t format, const std::u16string* fields);

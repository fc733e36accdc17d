// Reading a tracker's report: its last two numbers are the latitude and the
// longitude. Pure functions, shared by the viewer and the gate daemon.
#pragma once

// The digits and the dot; every other unit separates numbers.
bool IsNumberChar(char16_t c);

// Reads the text backwards from its end, never looking at its first
// character: the last number token is the longitude, stored in *longitude
// before the latitude is looked for; the token before it the latitude. A
// token is read as atof reads it (a second dot ends it); one longer than 99
// characters is cut to its first 99. True when both were found.
bool ScanTrackerReport(const char16_t* text, float* longitude, float* latitude);

// How many number tokens with at least one digit the text holds.
int CountNumberTokens(const char16_t* text, int length);

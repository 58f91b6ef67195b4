#pragma once
// "Mixed" texts of the key scripts and the transmit window: printable text in
// which a backslash and two hexadecimal digits stand for one byte. The windows
// colour such escapes blue; sending turns them into their bytes.

#include <string>
#include <vector>

// Positions (from 0) of the backslashes that begin an escape: each is followed by
// two hexadecimal digits. Overlapping candidates are all reported, as the
// colouring of the edits shows them.
std::vector<size_t> MixedEscapePositions(const std::string& text);

// The transmit window's character count: the text's length, 5 more for the
// counter, 2 more for CR/LF; with mixed text on, 2 less for every backslash that
// has at least two characters after it.
int TransmitCharacterCount(const std::string& text, bool counter, bool crLf, bool mixed);

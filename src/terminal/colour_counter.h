#pragma once
// "Color counter": after every pause in the traffic the first five characters
// appended to the screen are highlighted, even when they arrive in several
// pieces.

#include <cstddef>

class ColourCounter {
public:
    // Characters highlighted after a pause.
    static constexpr int kHighlighted = 5;
    // Appends closer together than this (ms) belong to one burst.
    static constexpr int kPauseMs = 100;

    // How many leading characters of a text of length characters, appended at
    // nowMs (milliseconds within the hour), are highlighted. plain forces none
    // (replies collected for the transmit window).
    size_t highlight(size_t length, int nowMs, bool plain);
    void reset();

private:
    int count_ = 0;
    bool inProgress_ = false;
    int lastAppendMs_ = 0;
};

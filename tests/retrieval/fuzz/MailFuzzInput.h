#pragma once
// One input for the parser and decoders, shared by the fuzz target and the test that replays its
// corpus and crashes. Expected failures ("Oops..." for a bad uuencoded attachment) are absorbed;
// anything else escapes, and a broken invariant throws std::logic_error.
#include <cstddef>
#include <cstdint>

void ExerciseMailParser(const uint8_t* data, size_t size);

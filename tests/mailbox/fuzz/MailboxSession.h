#pragma once
// One fuzz input played to the mailbox client (TKiroPOP3) as the server's side of a mail check
// and of a deletion, the way the main window runs them; shared by the fuzz target and the test
// that replays its corpus and crashes. The engine's own failures (Exception) are absorbed;
// anything else escapes, and a broken promise of the engine throws std::logic_error.
#include <cstddef>
#include <cstdint>

void ExerciseMailboxClient(const uint8_t* data, size_t size);

#pragma once
// One fuzz input played to the retrieval client (TVemPOP) as the server's side of viewing a
// message and deleting the marked ones, the way the main window runs them; shared by the fuzz
// target and the test that replays its corpus and crashes. The engine's own failures
// (Exception) are absorbed; anything else escapes, and a broken promise of the engine throws
// std::logic_error. Work files go to $TMPDIR, which must hold none of them before.
#include <cstddef>
#include <cstdint>

void ExerciseRetrievalClient(const uint8_t* data, size_t size);

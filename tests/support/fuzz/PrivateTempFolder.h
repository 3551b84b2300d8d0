#pragma once
// For a fuzz target: a temporary folder of the process's own, made $TMPDIR and removed at
// exit, so work files of one run neither meet the user's nor outlive the run.
namespace fuzzing {

// False when the folder cannot be made.
bool UsePrivateTempFolder();

}  // namespace fuzzing

#pragma once
// Replays the kept inputs of a fuzz target (its corpus, or the crashes it found) through the
// same entry as the fuzzer, one gtest failure per input that throws.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

using FuzzEntry = std::function<void(const uint8_t* data, size_t size)>;

// The number of inputs in `folder` (ends with '/'); hidden files are passed over.
int ReplayFuzzFolder(const std::string& folder, const FuzzEntry& entry);
// The target's kept corpus, which must not be empty, then every crash it found.
void ReplayCorpusAndCrashes(const std::string& corpus, const std::string& crashes, const FuzzEntry& entry);

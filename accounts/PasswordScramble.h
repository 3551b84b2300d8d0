#pragma once
// The stored form of a remembered password: each 8-bit character, exclusive-or a fixed key byte,
// as a decimal group followed by "-".
#include <string>

std::string Scramble_Password(const std::string& password);
// Throws EConvertError when a group is not a decimal integer (an empty group, a stray character,
// or two or more characters left without a closing "-"). A single character left at the end
// is ignored.
std::string Unscramble_Password(const std::string& scrambled);

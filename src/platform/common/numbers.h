// Whole numbers as the programs read them from text (scripts, demos, command lines), with the one limit they share.
#pragma once

#include <cstdint>
#include <string_view>

constexpr int64_t MAX_NUMBER = int64_t{1} << 53;  // far beyond any useful time, and exact in a double

// Digits only, leading zeros allowed, from 0 to MAX_NUMBER: what a person types.
bool ParseWholeNumber(std::string_view text, int64_t& value);
// As a demo file writes it, one spelling for each number: an optional '-', no leading zero, no "-0"; from low to high.
bool ParseDecimal(std::string_view text, int64_t low, int64_t high, int64_t& value);

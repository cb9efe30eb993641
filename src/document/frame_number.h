// The frame number a name carries in its digits: one rule for every command.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

/// The number that `digits` (decimal digits of any script, leading zeros allowed) spell; nullopt
/// when it is empty, holds anything else, or is above 2^64 - 1. A name whose number doesn't fit
/// is of another pattern, never a frame with a number of its own choosing.
std::optional<uint64_t> frameNumberOfDigits(std::string_view digits);

// Four-character codes as the output controller's messages print them.
#pragma once

#include "platform/types.h"

#include <array>

/// The four characters printed for a code: a code above 63 as its four bytes, most significant
/// first ('vout' gives "vout"); a code of 63 or less as two spaces and its two decimal digits
/// (7 gives "  07"), since such small numbers stand for codes that were never set.
std::array<char, 4> ComponentCodeChars(OSType code);

// What the farm's tests share: the sequences they translate, and the work folder a run made.
#pragma once

#include "support/test_support.h"

#include <string>

namespace farmfixtures {

/// a_0001-a_0003, b_... and c_0001, c_0003 (.dpx, 16 x 8, timecodes from 01:00:00:00) in `dir`:
/// c has a break in its numbering, which --strict refuses.
void writeThreeSequences(const testsupport::TempDir& dir, int frames = 3);

/// The work folder that a farm run made below the output folder `out`; "" when there is none.
std::string workFolder(const std::string& out);

} // namespace farmfixtures

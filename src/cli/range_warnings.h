// The document's warnings about a range, as the commands show them.
#pragma once

#include "cli/json.h"
#include "document/sequence_warnings.h"

#include <vector>

/// "warnings": [{"kind": "numbering_break", "text": "..."}, ...] (an empty array when there are none).
void writeWarnings(JsonWriter& json, const std::vector<SequenceWarning>& warnings);

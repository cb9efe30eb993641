#include "cli/range_warnings.h"

#include "platform/display_text.h"

void writeWarnings(JsonWriter& json, const std::vector<SequenceWarning>& warnings) {
    json.key("warnings").beginArray();
    for (const SequenceWarning& warning : warnings) {
        json.beginObject();
        json.field("kind", sequenceWarningKindName(warning.kind));
        json.field("text", jsonText(warning.text));
        json.endObject();
    }
    json.endArray();
}

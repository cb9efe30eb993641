#include "platform/component/video_out_timecode.h"

#include "platform/component/component_registry.h"

OSErr VideoOutSetTimeCode(ComponentInstance ci, const void* timeCodeDef, const void* timeCodeRecord) {
    // The block holds the parameters last first, then the instance.
    ComponentParameters block;
    block.flags = 0;
    block.paramSize = 8;
    block.what = kVideoOutSetTimeCodeSelect;
    block.params[0] = reinterpret_cast<intptr_t>(timeCodeRecord);
    block.params[1] = reinterpret_cast<intptr_t>(timeCodeDef);
    block.params[2] = reinterpret_cast<intptr_t>(ci);
    return OSErr(CallComponentDispatch(&block));
}

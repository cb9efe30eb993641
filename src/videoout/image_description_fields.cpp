#include "videoout/image_description_fields.h"

#include "platform/bigendian.h"

bool ReadImageDescriptionFields(Handle desc, ImageDescriptionFields* fields) {
    *fields = {};
    if (!desc || GetHandleSize(desc) < kImageDescriptionFieldsSize)
        return false;
    const auto* d = reinterpret_cast<const uint8_t*>(*desc);
    fields->cType = be::readU32(d, 4);
    fields->width = int16_t(be::readU16(d, 32));
    fields->height = int16_t(be::readU16(d, 34));
    fields->dataSize = be::readU32(d, 44);
    return true;
}

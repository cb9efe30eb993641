#include "platform/movie/movie_errors.h"
#include "platform/movie/user_data_record.h"

#include <cstring>
#include <new>

namespace {

UserDataItem* findItem(UserDataRecord& data, OSType type, long index) {
    return const_cast<UserDataItem*>(FindUserDataItem(data, type, index));
}

} // namespace

const UserDataItem* FindUserDataItem(const UserDataRecord& data, OSType type, long index) {
    long seen = 0;
    for (const UserDataItem& item : data.items)
        if (item.type == type && ++seen == index)
            return &item;
    return nullptr;
}

OSErr NewUserData(UserData* theUserData) {
    if (!theUserData)
        return paramErr;
    *theUserData = new (std::nothrow) UserDataRecord;
    return *theUserData ? noErr : memFullErr;
}

OSErr DisposeUserData(UserData theUserData) {
    delete theUserData;
    return noErr;
}

OSErr AddUserDataText(UserData theUserData, Handle data, OSType udType, long index, short itlRegionTag) {
    if (!theUserData || !data || udType == 0)
        return paramErr;
    std::string text(*data, size_t(GetHandleSize(data)));
    UserDataItem* item = findItem(*theUserData, udType, index);
    if (!item) {
        if (index != CountUserDataType(theUserData, udType) + 1)
            return paramErr;
        theUserData->items.push_back({udType, {}});
        item = &theUserData->items.back();
    }
    for (UserDataText& existing : item->texts) {
        if (existing.region == itlRegionTag) {
            existing.text = std::move(text);
            return noErr;
        }
    }
    item->texts.push_back({itlRegionTag, std::move(text)});
    return noErr;
}

OSErr GetUserDataText(UserData theUserData, Handle data, OSType udType, long index, short itlRegionTag) {
    if (!theUserData || !data)
        return paramErr;
    const UserDataItem* item = FindUserDataItem(*theUserData, udType, index);
    if (!item)
        return userDataItemNotFound;
    for (const UserDataText& text : item->texts) {
        if (text.region != itlRegionTag)
            continue;
        SetHandleSize(data, Size(text.text.size()));
        if (MemError() != noErr)
            return MemError();
        std::memcpy(*data, text.text.data(), text.text.size());
        return noErr;
    }
    return userDataItemNotFound;
}

short CountUserDataType(UserData theUserData, OSType udType) {
    if (!theUserData)
        return 0;
    short count = 0;
    for (const UserDataItem& item : theUserData->items)
        if (item.type == udType)
            ++count;
    return count;
}

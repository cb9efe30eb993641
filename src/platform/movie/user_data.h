// User data lists: items of a four-character type, each holding texts by region code. The timecode
// handler takes its source name from the 'name' item of one (TCSetSourceRef).
#pragma once

#include "platform/memory.h"
#include "platform/types.h"

struct UserDataRecord;
using UserData = UserDataRecord*;

OSErr NewUserData(UserData* theUserData);
OSErr DisposeUserData(UserData theUserData);

/// Stores the handle's bytes as the text, in that region, of the index-th (1-based) item of type udType.
/// index may be one past the items of that type, which adds an item; beyond that: paramErr.
OSErr AddUserDataText(UserData theUserData, Handle data, OSType udType, long index, short itlRegionTag);
/// Resizes data to the text and copies it; userDataItemNotFound when absent.
OSErr GetUserDataText(UserData theUserData, Handle data, OSType udType, long index, short itlRegionTag);
short CountUserDataType(UserData theUserData, OSType udType);

// The record behind UserData. Internal to the movie toolbox.
#pragma once

#include "platform/movie/user_data.h"

#include <string>
#include <vector>

struct UserDataText {
    short region = 0;
    std::string text;
};

struct UserDataItem {
    OSType type = 0;
    std::vector<UserDataText> texts;
};

struct UserDataRecord {
    std::vector<UserDataItem> items; // in the order added
};

/// The index-th (1-based) item of a type, or null.
const UserDataItem* FindUserDataItem(const UserDataRecord& data, OSType type, long index);

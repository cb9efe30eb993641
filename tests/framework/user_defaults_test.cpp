#include "platform/framework/headless/memory_user_defaults.h"

#include <gtest/gtest.h>

using namespace fw;

TEST(UserDefaults, StoredValuesStandAboveRegisteredOnes) {
    MemoryUserDefaults defaults;
    defaults.registerDefaults({{"FrameRate", 0}, {"SourceID", std::string()}, {"DefaultFileExt", true},
                               {"DefaultFileNameType", 1}});
    EXPECT_EQ(defaults.registeredKeys(),
              (std::vector<std::string>{"FrameRate", "SourceID", "DefaultFileExt", "DefaultFileNameType"}));
    EXPECT_TRUE(defaults.writes().empty());  // registering stores nothing
    EXPECT_EQ(defaults.integerForKey("DefaultFileNameType"), 1);
    EXPECT_TRUE(defaults.boolForKey("DefaultFileExt"));
    EXPECT_EQ(defaults.stringForKey("SourceID"), std::optional<std::string>(""));
    EXPECT_EQ(defaults.stringForKey("Unknown"), std::nullopt);
    EXPECT_EQ(defaults.integerForKey("Unknown"), 0);

    defaults.setObject(4, "FrameRate");
    defaults.setObject(4, "FrameRate");  // unchanged, still written
    defaults.setObject("A001", "SourceID");  // a literal is a string, not a boolean
    EXPECT_EQ(defaults.integerForKey("FrameRate"), 4);
    EXPECT_EQ(defaults.writeCount("FrameRate"), 2);
    EXPECT_EQ(defaults.stringForKey("SourceID"), std::optional<std::string>("A001"));
    EXPECT_TRUE(std::holds_alternative<std::string>(defaults.objectForKey("SourceID")));

    // Registering again changes the registered value only; a removal shows it again.
    defaults.registerDefaults({{"FrameRate", 7}});
    EXPECT_EQ(defaults.integerForKey("FrameRate"), 4);
    defaults.removeObjectForKey("FrameRate");
    EXPECT_EQ(defaults.integerForKey("FrameRate"), 7);
    EXPECT_FALSE(defaults.hasStoredValue("FrameRate"));
    EXPECT_EQ(defaults.registeredKeys().size(), 4u);

    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(defaults.synchronizeCount(), 1);
}

TEST(UserDefaults, ValuesReadAcrossTypes) {
    EXPECT_EQ(integerValueOf(true), 1);
    EXPECT_EQ(integerValueOf(std::string("  -12abc")), -12);
    EXPECT_EQ(integerValueOf(std::string("x12")), 0);
    EXPECT_EQ(integerValueOf(std::string("99999999999")), 2147483647);
    EXPECT_TRUE(boolValueOf(2));
    EXPECT_FALSE(boolValueOf(0));
    EXPECT_TRUE(boolValueOf(std::string("YES")));
    EXPECT_TRUE(boolValueOf(std::string(" true")));
    EXPECT_TRUE(boolValueOf(std::string("007")));
    EXPECT_FALSE(boolValueOf(std::string("NO")));
    EXPECT_FALSE(boolValueOf(std::string("000")));
    EXPECT_FALSE(boolValueOf(DefaultsNil{}));
    EXPECT_EQ(stringValueOf(5), std::optional<std::string>("5"));
    EXPECT_EQ(stringValueOf(false), std::optional<std::string>("0"));
}

#include "platform/log.h"

#include <gtest/gtest.h>

#include <regex>

TEST(Log, CaptureCollectsExactMessages) {
    LogCapture capture;
    NSLog("Error: file %s doesn't exist!?\n", "/no/such.dpx");
    NSLog("no line feed");
    ASSERT_EQ(capture.messages().size(), 2u);
    EXPECT_EQ(capture.messages()[0], "Error: file /no/such.dpx doesn't exist!?\n");
    EXPECT_EQ(capture.count("no line feed"), 1);
    {
        LogCapture inner;
        NSLog("inner\n");
        EXPECT_EQ(inner.count("inner\n"), 1);
    }
    EXPECT_EQ(capture.count("inner\n"), 0);
}

TEST(Log, LineOnStandardErrorHasPlatformPrefix) {
    testing::internal::CaptureStderr();
    NSLog("hello %d\n", 42);
    NSLog("two\n");
    std::string err = testing::internal::GetCapturedStderr();
    std::regex line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} [^\[\s]+\[\d+\] hello 42\n)"
                    R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} [^\[\s]+\[\d+\] two\n)");
    EXPECT_TRUE(std::regex_match(err, line)) << err;
}

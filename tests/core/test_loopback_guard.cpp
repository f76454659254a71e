#include <gtest/gtest.h>

#include <cstdlib>

#include "link/LoopbackGuard.h"

TEST(LoopbackGuard, RecognisesLoopbackLiterals) {
    using loopback::IsLoopbackAddress;
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.1"));
    EXPECT_TRUE(IsLoopbackAddress("127.12.0.254"));
    EXPECT_TRUE(IsLoopbackAddress("localhost"));
    EXPECT_TRUE(IsLoopbackAddress("::1"));
    EXPECT_TRUE(IsLoopbackAddress("[::1]"));
    EXPECT_TRUE(IsLoopbackAddress("::ffff:127.0.0.1"));
    EXPECT_FALSE(IsLoopbackAddress("192.168.0.5"));
    EXPECT_FALSE(IsLoopbackAddress("192.168.0.23"));
    EXPECT_FALSE(IsLoopbackAddress("10.0.0.1"));
    EXPECT_FALSE(IsLoopbackAddress("127.0.0.1.evil.example"));
    EXPECT_FALSE(IsLoopbackAddress("127.0.0"));
    EXPECT_FALSE(IsLoopbackAddress("127.0.0.256"));
    EXPECT_FALSE(IsLoopbackAddress("0.0.0.0"));
    EXPECT_FALSE(IsLoopbackAddress(""));
    EXPECT_FALSE(IsLoopbackAddress("example.com"));
    // Leading zeros: octal to some parsers, a name to others.
    EXPECT_FALSE(IsLoopbackAddress("127.0.0.09"));
    EXPECT_FALSE(IsLoopbackAddress("127.08.0.1"));
}

TEST(LoopbackGuard, RefusesOtherAddressesOnlyWhileTheVariableIsSet) {
    ::setenv(loopback::kEnvVar, "1", 1);
    EXPECT_TRUE(loopback::CheckDestination("127.0.0.1", "Head link").empty());
    const std::string refusal = loopback::CheckDestination("192.168.0.5", "Head link");
    EXPECT_NE(refusal.find("192.168.0.5"), std::string::npos);
    EXPECT_NE(refusal.find("TUBESCAN_LOOPBACK_ONLY"), std::string::npos);
    ::unsetenv(loopback::kEnvVar);
    EXPECT_TRUE(loopback::CheckDestination("192.168.0.5", "Head link").empty());
    ::setenv(loopback::kEnvVar, "1", 1);
}

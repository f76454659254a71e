#include <gtest/gtest.h>

#include <algorithm>

#include "format/HeadProtocol.h"

using namespace headproto;

TEST(CommandBytes, InitialCommandIsTheDocumentedOne) {
    const HeadCommand expected = {0xFE, 0x44, 0x00, 0x0A, 0x00, 0x00, 0x43, 0x02, 0x06,
                                  0x01, 0xAA, 0x3C, 0x78, 0x03, 0x0A, 0x00, 0x00, 0x00,
                                  0x00, 0x19, 0x10, 0x01, 0x00, 0x00, 0x00, 0x64, 0xFD};
    EXPECT_EQ(kInitialCommand, expected);
    EXPECT_EQ(kInitialCommand[kCmdRangeCode], 10);
    EXPECT_EQ(kInitialCommand[kCmdTrain], 60);
    EXPECT_EQ(kInitialCommand[kCmdSectorWidth], 120);
}

TEST(RangeHelpers, RangeToCodeBoundaries) {
    EXPECT_EQ(RangeToCode(0.125), 2);
    EXPECT_EQ(RangeToCode(0.2), 2);
    EXPECT_EQ(RangeToCode(0.25), 4);
    EXPECT_EQ(RangeToCode(0.3), 4);
    EXPECT_EQ(RangeToCode(0.5), 6);
    EXPECT_EQ(RangeToCode(0.75), 8);
    EXPECT_EQ(RangeToCode(0.999), 8);
    EXPECT_EQ(RangeToCode(1.0), 10);
    EXPECT_EQ(RangeToCode(5.99), 50);
    EXPECT_EQ(RangeToCode(6.0), 60);
    EXPECT_EQ(RangeToCode(100.0), 60);
    // Every table range maps to its own code, and back to its own index.
    for (std::size_t i = 0; i < kRangeTable.size(); ++i) {
        EXPECT_EQ(RangeToCode(kRangeTable[i]), kRangeCodes[i]) << i;
        EXPECT_EQ(RangeCodeToIndex(kRangeCodes[i]), static_cast<int>(i)) << i;
    }
}

TEST(RangeHelpers, CodeToIndexOddCodes) {
    EXPECT_EQ(RangeCodeToIndex(0), 7);
    EXPECT_EQ(RangeCodeToIndex(1), 7);
    EXPECT_EQ(RangeCodeToIndex(3), 0);
    EXPECT_EQ(RangeCodeToIndex(19), 4);
    EXPECT_EQ(RangeCodeToIndex(59), 8);
    EXPECT_EQ(RangeCodeToIndex(61), 9);
    EXPECT_EQ(RangeCodeToIndex(255), 9);
}

TEST(CommandBytes, SectorAndProfileMinimumEncodings) {
    EXPECT_EQ(SectorDegreesToCode(3, 1), 0);
    EXPECT_EQ(SectorDegreesToCode(4, 1), 3);
    EXPECT_EQ(SectorDegreesToCode(90, 0), 30);
    EXPECT_EQ(SectorDegreesToCode(400, 1), 120);
    EXPECT_EQ(SectorDegreesToCode(400, 0), 60);
    EXPECT_EQ(SectorDegreesToCode(-50, 1), 0);
    EXPECT_EQ(SectorDegreesToCode(1e300, 1), 120);
    EXPECT_EQ(ProfileMinRangeToByte(3.0), 250);
    EXPECT_EQ(ProfileMinRangeToByte(-1.0), 0);
    EXPECT_EQ(ProfileMinRangeToByte(0.456), 45);
}

TEST(ReturnRecord, SignaturesAndDataPointCounts) {
    EXPECT_EQ(SignatureDataPoints('I', 'P', 'X'), 0);
    EXPECT_EQ(SignatureDataPoints('I', 'M', 'X'), 250);
    EXPECT_EQ(SignatureDataPoints('I', 'G', 'X'), 500);
    EXPECT_EQ(SignatureDataPoints('I', 'S', 'X'), 800);
    EXPECT_FALSE(SignatureDataPoints('A', 'B', 'C'));
    EXPECT_FALSE(SignatureDataPoints('I', 'M', 'Y'));
    EXPECT_FALSE(SignatureDataPoints('J', 'M', 'X'));
    EXPECT_FALSE(SignatureDataPoints('I', 'Q', 'X'));
}

TEST(ReturnRecord, PositionDirectionAndSevenBitFields) {
    EXPECT_EQ(HeadPosition(0x05, 0x45), 645);
    EXPECT_EQ(HeadScanDirection(0x45), 1);
    EXPECT_EQ(HeadScanDirection(0x05), 0);
    EXPECT_EQ(HeadPosition(0xFF, 0xFF), 8191);
    EXPECT_EQ(SevenBitPair(0x85, 0x02), (2 << 7) | 5); // bit 7 of the low byte is dropped
}

TEST(Attitude, WordDecoding) {
    EXPECT_DOUBLE_EQ(AttitudeWordDegrees(0x8064), 2.5);
    EXPECT_TRUE(AttitudeWordValid(0x8064));
    EXPECT_FALSE(AttitudeWordValid(0x0064));
    EXPECT_NEAR(AttitudeWordDegrees(16283), -2.525, 1e-12);
    EXPECT_NEAR(AttitudeWordDegrees(8191), -204.825, 1e-12);
    EXPECT_NEAR(AttitudeWordDegrees(8190), 204.75, 1e-12);
    // Bit 14 is not part of the value.
    EXPECT_DOUBLE_EQ(AttitudeWordDegrees(0x4064), 2.5);
}

TEST(ReturnHeaderCodec, EncodesTheHeadsPackingAndDecodesItBack) {
    headproto::ReturnHeader f;
    f.status = 0x21;
    f.headPosition = 0x1ABC; // 7 + 6 bits
    f.scanDirection = 1;
    f.rangeCode = 30;
    f.profileRange = 0x2F0F; // 7 + 7 bits
    f.rollRaw = 0x8123;
    f.pitchRaw = 0x0456;
    const auto h = headproto::EncodeReturnHeader(f);
    const std::array<std::uint8_t, 20> expected = {'I', 'M',  'X',  16,   0x21, 0x3C, 0x75,
                                                   30,  0x0F, 0x5E, 0x7A, 0x01, 0,    0,
                                                   0,   0,    0x23, 0x81, 0x56, 0x04};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), h.begin()));
    EXPECT_TRUE(std::all_of(h.begin() + 20, h.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(headproto::DecodeReturnHeaderFields(h), f);

    // Bytes the head sets beyond the fields (high bit of the position's low
    // byte) do not leak into them.
    auto noisy = h;
    noisy[5] |= 0x80;
    noisy[8] |= 0x80;
    EXPECT_EQ(headproto::DecodeReturnHeaderFields(noisy), f);
}

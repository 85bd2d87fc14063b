// Catalogue texts keep their exact bytes on the way through the window.
#include "util/bytetext.h"
#include "util/numbertext.h"
#include "util/lumiskerror.h"

#include <gtest/gtest.h>

using namespace lumisk;

struct RoundTripCase {
    const char* name;
    std::string bytes;
};

class ShownBytes : public testing::TestWithParam<RoundTripCase> {};

TEST_P(ShownBytes, DisplayIsStableForUnchangedText) {
    // The window re-stores shown text only when it changed; what it shows
    // must at least decode deterministically and never be empty for bytes.
    const auto& c = GetParam();
    QString shown = BytesToDisplay(c.bytes);
    EXPECT_EQ(shown.isEmpty(), c.bytes.empty());
    EXPECT_EQ(BytesToDisplay(c.bytes), shown);
    if (IsValidUtf8(c.bytes)) {
        EXPECT_EQ(DisplayToBytes(shown), c.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, ShownBytes,
    testing::Values(RoundTripCase{"ascii", "Harbour Cam"},
                    RoundTripCase{"utf8_accent", "Caf\xC3\xA9"},
                    RoundTripCase{"cp1252_accent_not_utf8", "Caf\xE9"},
                    RoundTripCase{"cp1252_euro_and_holes", "\x80\x81\x8D\x9F"},
                    RoundTripCase{"empty", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteText, Cp1252BytesShowAsTheirCharacters) {
    EXPECT_EQ(BytesToDisplay("Caf\xE9"), QString::fromUtf8("Caf\xC3\xA9"));
    EXPECT_EQ(BytesToDisplay("\x80"), QString(QChar(0x20AC)));
}

TEST(ByteText, RejectsMalformedUtf8) {
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x93\xB7"));  // camera emoji
}

TEST(ByteText, TypedTextIsCutAtACharacterBoundary) {
    QString text = QString::fromUtf8("ab\xC3\xA9");  // 4 bytes in UTF-8
    EXPECT_EQ(DisplayToBytes(text, 3), "ab");
    EXPECT_EQ(DisplayToBytes(text, 4), "ab\xC3\xA9");
    EXPECT_EQ(DisplayToBytes(QString::fromUtf8("\xF0\x9F\x93\xB7x"), 2), "");
}

TEST(ByteText, CaseInsensitiveMatchAcrossEncodings) {
    EXPECT_TRUE(SameTextIgnoreCase("apple", "APPLE"));
    EXPECT_TRUE(SameTextIgnoreCase("caf\xC3\xA9", "CAF\xC3\x89"));
    EXPECT_FALSE(SameTextIgnoreCase("apple", "apples"));
}

struct NumberCase {
    const char* text;
    std::optional<std::int32_t> value;
};

class NumberText : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberText, ParsesLikeTheRuntime) {
    EXPECT_EQ(TryStrToInt(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberText,
    testing::Values(NumberCase{"80", 80}, NumberCase{"-1", -1}, NumberCase{"0x10", 16},
                    NumberCase{"0X1f", 31}, NumberCase{"$FF", 255}, NumberCase{" 42", 42},
                    NumberCase{"2147483647", 2147483647}, NumberCase{"2147483648", std::nullopt},
                    NumberCase{"-2147483648", INT32_MIN}, NumberCase{"yes", std::nullopt},
                    NumberCase{"", std::nullopt}, NumberCase{"0x", std::nullopt},
                    NumberCase{"12a", std::nullopt}, NumberCase{"1 ", std::nullopt}));

TEST(NumberText, BadNumberRaisesTheRuntimeMessage) {
    try {
        StrToInt("8o");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'8o' is not a valid integer value");
    }
    EXPECT_EQ(StrToIntDef("nope", 7), 7);
}

TEST(ErrorReport, AddsAFullStopOnlyWhenNeeded) {
    EXPECT_EQ(ErrorReportText("Cannot create file /x"), "Cannot create file /x.");
    EXPECT_EQ(ErrorReportText("Done."), "Done.");
    EXPECT_EQ(ErrorReportText("Really!"), "Really!");  // '!' sorts before '.'
}

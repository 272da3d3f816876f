#include "platform/error.h"
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

namespace kalidor {
namespace {

TEST(TextEncoding, ShiftJisRoundTrip) {
    for (const char* text : {"", "abc 123", "プロジェクト名", "ＭＳ Ｐゴシック", "①②Ⅲ", "半角ｶﾅ", "C:\\path"}) {
        const std::string sjis = Utf8ToShiftJis(text);
        EXPECT_EQ(ShiftJisToUtf8(sjis), text);
    }
    EXPECT_EQ(Utf8ToShiftJis("あ"), "\x82\xA0");
}

TEST(TextEncoding, LengthsCountShiftJisBytes) {
    EXPECT_EQ(ShiftJisLength("abc"), 3u);
    EXPECT_EQ(ShiftJisLength("写真"), 4u);
    EXPECT_EQ(ShiftJisLength("ｶﾅ"), 2u);  // half-width katakana are one byte each
}

TEST(TextEncoding, RefusesWhatCodePage932CannotHold) {
    EXPECT_FALSE(FitsShiftJis("smile 😀"));
    EXPECT_FALSE(FitsShiftJis("한국어"));
    EXPECT_TRUE(FitsShiftJis("日本語"));
    try {
        Utf8ToShiftJis("ab😀cd");
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("😀"), std::string::npos) << e.what();
    }
    // A failure leaves nothing behind for the next conversion.
    EXPECT_EQ(Utf8ToShiftJis("ok"), "ok");
}

TEST(TextEncoding, RefusesInvalidShiftJis) {
    EXPECT_THROW(ShiftJisToUtf8("\x82"), Error);       // lead byte without its trail byte
    EXPECT_THROW(ShiftJisToUtf8("ab\x85\x40"), Error);  // unassigned lead byte
    EXPECT_EQ(ShiftJisToUtf8("ok"), "ok");
}

}  // namespace
}  // namespace kalidor

#include "TextConversion.h"

#include <gtest/gtest.h>
#include <string>

using Steinberg::char16;

TEST(TextConversion, RoundTripsAsciiAndMultibyteText) {
    char16 wide[128];
    for (const char* text : {"Tuning Freq", "", "Ärger über €", "\xF0\x9F\x8E\xB5 tone"}) {
        Utf8ToUtf16(text, wide, 128);
        EXPECT_EQ(Utf16ToUtf8(wide, 128), text);
    }
    Utf8ToUtf16("Hz", wide, 128);
    EXPECT_EQ(wide[0], u'H');
    EXPECT_EQ(wide[2], 0);
}

TEST(TextConversion, NeverWritesPastTheOutputAndReplacesMalformedInput) {
    char16 small[4] = {1, 1, 1, 1};
    Utf8ToUtf16("Frequency", small, 4);
    EXPECT_EQ(Utf16ToUtf8(small, 4), "Fre");
    Utf8ToUtf16("\xF0\x9F\x8E\xB5", small, 2); // a pair that does not fit is dropped whole
    EXPECT_EQ(small[0], 0);
    Utf8ToUtf16(nullptr, small, 4);
    EXPECT_EQ(small[0], 0);

    char16 wide[16];
    Utf8ToUtf16("a\xFF"
                "b\xC3",
                wide, 16);
    EXPECT_EQ(Utf16ToUtf8(wide, 16), "a\xEF\xBF\xBD"
                                     "b\xEF\xBF\xBD");
    Utf8ToUtf16("\xC0\xAF\xED\xA0\x80", wide, 16); // overlong, surrogate: byte by byte
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide)),
              u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
    const char16 lone[] = {u'x', 0xD800, u'y', 0};
    EXPECT_EQ(Utf16ToUtf8(lone, 16), "x\xEF\xBF\xBDy");
    EXPECT_EQ(Utf16ToUtf8(nullptr, 16), "");
}

#include "Cp1250.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace kelvara::sqlite2 {
namespace {

TEST(Cp1250, KnownLettersAndSigns)
{
    EXPECT_EQ(cp1250ToUtf8("\x8A"), "\xC5\xA0");      // Š
    EXPECT_EQ(cp1250ToUtf8("\x9A"), "\xC5\xA1");      // š
    EXPECT_EQ(cp1250ToUtf8("\xB9"), "\xC4\x85");      // ą
    EXPECT_EQ(cp1250ToUtf8("\xEA"), "\xC4\x99");      // ę
    EXPECT_EQ(cp1250ToUtf8("\x80"), "\xE2\x82\xAC");  // €
    EXPECT_EQ(cp1250ToUtf8("\xA3\xF3" "d\xBF"), "\xC5\x81\xC3\xB3" "d\xC5\xBC");  // Łódż
    EXPECT_EQ(cp1250ToUtf8("\xA0"), "\xC2\xA0");      // no-break space
    EXPECT_EQ(cp1250ToUtf8("\xFF"), "\xCB\x99");      // dot above
}

TEST(Cp1250, AsciiPassesThroughIncludingNul)
{
    const std::string ascii("A-z 0\x7f\0;", 9);
    EXPECT_EQ(cp1250ToUtf8(ascii), ascii);
    EXPECT_EQ(cp1250ToUtf8(""), "");
}

TEST(Cp1250, UnassignedBytesBecomeReplacementAndAreCounted)
{
    std::size_t undefined = 99;
    EXPECT_EQ(cp1250ToUtf8("a\x81" "b\x83\x88\x90\x98", &undefined),
              "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(undefined, 5u);
    cp1250ToUtf8("\x8A\x9A", &undefined);
    EXPECT_EQ(undefined, 0u);
}

// The whole table against the C library's own CP1250 converter.
TEST(Cp1250, AllBytesAgreeWithIconv)
{
    iconv_t cd = iconv_open("UTF-8", "CP1250");
    if (cd == reinterpret_cast<iconv_t>(-1))
        GTEST_SKIP() << "iconv has no CP1250 here";
    std::vector<int> unassigned;
    for (int b = 0; b < 256; ++b) {
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
        std::size_t undefined = 0;
        const std::string ours = cp1250ToUtf8(std::string(1, static_cast<char>(b)), &undefined);
        if (ok) {
            EXPECT_EQ(ours, std::string(out, outPtr)) << "byte " << b;
            EXPECT_EQ(undefined, 0u) << "byte " << b;
        } else {
            unassigned.push_back(b);
            EXPECT_EQ(ours, "\xEF\xBF\xBD") << "byte " << b;
            EXPECT_EQ(undefined, 1u) << "byte " << b;
        }
    }
    iconv_close(cd);
    EXPECT_EQ(unassigned, (std::vector<int>{0x81, 0x83, 0x88, 0x90, 0x98}));
}

}  // namespace
}  // namespace kelvara::sqlite2

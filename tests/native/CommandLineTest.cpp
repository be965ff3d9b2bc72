#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using Words = std::vector<std::string>;

Words Split(const char* text) {
    auto words = SplitCommandLine(text);
    EXPECT_TRUE(words.has_value()) << text;
    return words.value_or(Words{});
}

TEST(SplitCommandLine, AbsentOrEmptyTextGivesNoList) {
    EXPECT_FALSE(SplitCommandLine(nullptr).has_value());
    EXPECT_FALSE(SplitCommandLine("").has_value());
}

TEST(SplitCommandLine, SplitsAtSpacesOnly) {
    EXPECT_EQ(Split("-i C:\\P\\Templates"), (Words{"-i", "C:\\P\\Templates"}));
    EXPECT_EQ(Split("-i\tC:\\P"), (Words{"-i\tC:\\P"}));
    EXPECT_EQ(Split("-u"), (Words{"-u"}));
}

TEST(SplitCommandLine, QuotedPathWithSpacesKeepsItsFinalBackslash) {
    EXPECT_EQ(Split("-i \"C:\\Program Files\\Kit\\Templates\\\""),
              (Words{"-i", "C:\\Program Files\\Kit\\Templates\\"}));
}

TEST(SplitCommandLine, BlanksBetweenAndAfterWords) {
    EXPECT_EQ(Split("-i  x"), (Words{"-i", "", "x"}));
    EXPECT_EQ(Split("-i x "), (Words{"-i", "x"}));
    EXPECT_EQ(Split("-i x  "), (Words{"-i", "x"}));
    EXPECT_EQ(Split("-i x   "), (Words{"-i", "x", ""}));
    EXPECT_EQ(Split(" "), Words{});
}

TEST(SplitCommandLine, CharactersBeforeAnOpeningQuoteAreDropped) {
    EXPECT_EQ(Split("ab\"x y\""), (Words{"x y", ""}));
    EXPECT_EQ(Split("ab\"x y\" z"), (Words{"x y", "", "z"}));
}

TEST(SplitCommandLine, UnclosedQuoteTakesTheRestWithoutTheQuote) {
    EXPECT_EQ(Split("-i \"C:\\My Kit\\Templates"), (Words{"-i", "C:\\My Kit\\Templates"}));
    EXPECT_EQ(Split("\"a b c"), (Words{"a b c"}));
}

TEST(SplitCommandLine, EmptyQuotedWord) {
    EXPECT_EQ(Split("-i \"\""), (Words{"-i", ""}));
}

TEST(SplitCommandLine, WordsOfAnyLength) {
    for (std::size_t length : {499u, 500u, 5000u}) {
        const std::string path(length, 'p');
        EXPECT_EQ(Split(("-i " + path).c_str()), (Words{"-i", path}));
        EXPECT_EQ(Split(("-i \"" + path + "\"").c_str()), (Words{"-i", path}));
    }
}

bool ShiftJisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

TEST(SplitCommandLine, TrailBytesOfDoubleByteCharactersNeverSplit) {
    // 0x81 0x20 and 0x81 0x22 are single double-byte characters.
    const char text[] = "-i C:\\\x81\x20\x81\x22x";
    auto words = SplitCommandLine(text, ShiftJisLeadByte);
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(*words, (Words{"-i", "C:\\\x81\x20\x81\x22x"}));
    EXPECT_EQ(StripQuotes("\"a\x81\x22\"b", ShiftJisLeadByte), "a\x81\x22");
    // A lead byte at the very end has no trail byte to skip.
    EXPECT_EQ(*SplitCommandLine("a\x81", ShiftJisLeadByte), (Words{"a\x81"}));
}

TEST(StripQuotes, Rules) {
    EXPECT_EQ(StripQuotes(""), "");
    EXPECT_EQ(StripQuotes("plain"), "plain");
    EXPECT_EQ(StripQuotes("mid\"dle\""), "mid\"dle\"");
    EXPECT_EQ(StripQuotes("\"quoted\"tail"), "quoted");
    EXPECT_EQ(StripQuotes("\"open"), "open");
    EXPECT_EQ(StripQuotes("\"C:\\a b\\\""), "C:\\a b\\");
}

TEST(IsInstallSwitch, OnlyDashIInEitherCase) {
    for (const char* word : {"-i", "-I"}) {
        EXPECT_TRUE(IsInstallSwitch(word)) << word;
    }
    for (const char* word : {"-u", "/i", "/I", "-ix", "i", "", "--i"}) {
        EXPECT_FALSE(IsInstallSwitch(word)) << word;
    }
}

}  // namespace
}  // namespace orvane

#include "encode/line_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kalidor {
namespace {

OutputLine complete(std::string text, TReturnCode end) { return {std::move(text), otCompleteLine, end}; }
OutputLine partial(std::string text) { return {std::move(text), otPartialLine, rcLF}; }

struct SplitCase {
    const char* name;
    std::vector<std::string> reads;
    std::vector<OutputLine> expected;  // everything the reads give, in order
    TReturnCode lastLineEnd;
};

class LineSplitterCases : public testing::TestWithParam<SplitCase> {};

TEST_P(LineSplitterCases, GivesTheLinesInOrder) {
    const SplitCase& c = GetParam();
    LineSplitter splitter;
    std::vector<OutputLine> got;
    for (const auto& read : c.reads)
        for (auto& line : splitter.Feed(read))
            got.push_back(std::move(line));
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(splitter.LastLineEnd(), c.lastLineEnd);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Reads, LineSplitterCases,
    testing::Values(
        SplitCase{"CrLfInOneRead", {"ab\r\ncd\r\n"}, {complete("ab", rcCRLF), complete("cd", rcCRLF)}, rcCRLF},
        SplitCase{"LoneLf", {"ab\n"}, {complete("ab", rcLF)}, rcLF},
        SplitCase{"LoneCr", {"ab\rcd\n"}, {complete("ab", rcLF), complete("cd", rcLF)}, rcLF},
        SplitCase{"CrEndsOneReadLfStartsTheNext", {"ab\r", "\ncd\n"}, {complete("ab", rcLF), complete("cd", rcLF)}, rcLF},
        SplitCase{"SplitCrLfIsCountedAsCrLf", {"ab\r", "\n"}, {complete("ab", rcLF)}, rcCRLF},
        SplitCase{"NulBetweenCrAndLf", {"ab\r"s + '\0', "\n"}, {complete("ab", rcLF)}, rcCRLF},
        SplitCase{"TwoCrsGiveAnEmptyLine", {"a\r\rb"}, {complete("a", rcLF), complete("", rcLF), partial("b")}, rcLF},
        SplitCase{"EmptyLines", {"\n\n"}, {complete("", rcLF), complete("", rcLF)}, rcLF},
        SplitCase{"LfAfterCrLfIsANewLine", {"a\r\n", "\nb\n"}, {complete("a", rcCRLF), complete("", rcLF), complete("b", rcLF)}, rcLF},
        SplitCase{"PartialGrowsThenCompletes", {"ab", "cd", "e\r\n"}, {partial("ab"), partial("abcd"), complete("abcde", rcCRLF)}, rcCRLF},
        SplitCase{"NulBytesVanish", {"a\0b\0"s, "\0c\n"s}, {partial("ab"), complete("abc", rcLF)}, rcLF},
        SplitCase{"OnlyNulsReportPendingAgain", {"ab", "\0"s}, {partial("ab"), partial("ab")}, rcCRLF},
        SplitCase{"EmptyRead", {""}, {}, rcCRLF}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(LineSplitter, EchoContinuesAPartialPromptAndKeepsItsLineBreak) {
    LineSplitter splitter;
    EXPECT_EQ(splitter.Feed("Name: "), std::vector<OutputLine>{partial("Name: ")});
    EXPECT_EQ(splitter.Echo("bob\r\n"), complete("Name: bob\r\n", rcLF));
    EXPECT_EQ(splitter.Pending(), "");
    EXPECT_EQ(splitter.Feed("hi\n"), std::vector<OutputLine>{complete("hi", rcLF)});
}

TEST(LineSplitter, EchoAfterACompleteLineStandsAlone) {
    LineSplitter splitter;
    splitter.Feed("done\n");
    EXPECT_EQ(splitter.Echo("x\n"), complete("x\n", rcLF));
}

TEST(LineSplitter, EchoIsFinishedOnlyWhenItsFirstLineBreakEndsIt) {
    struct Case {
        const char* input;
        TOutputType type;
    } cases[] = {
        {"a\n", otCompleteLine}, {"a\r\n", otCompleteLine}, {"a\nb\n", otPartialLine},
        {"a\r\nb\r\n", otPartialLine}, {"a", otPartialLine}, {"a\r", otPartialLine}, {"", otPartialLine},
    };
    for (const auto& c : cases) {
        LineSplitter splitter;
        EXPECT_EQ(splitter.Echo(c.input).type, c.type) << testing::PrintToString(std::string(c.input));
    }
}

TEST(LineSplitter, UnfinishedEchoesAndOutputJoin) {
    LineSplitter splitter;
    EXPECT_EQ(splitter.Echo("ab"), partial("ab"));
    EXPECT_EQ(splitter.Echo("c"), partial("abc"));
    EXPECT_EQ(splitter.Feed("d\n"), std::vector<OutputLine>{complete("abcd", rcLF)});
}

TEST(LineSplitter, EchoBreaksACrLfPairAcrossReads) {
    LineSplitter splitter;
    splitter.Feed("a\r");
    splitter.Echo("x\n");
    EXPECT_EQ(splitter.Feed("\n"), std::vector<OutputLine>{complete("", rcLF)});
}

}  // namespace
}  // namespace kalidor

#include <gtest/gtest.h>

#include "link_rules.h"
#include "progress_fill.h"
#include "region_runs.h"

#include <string>
#include <vector>

namespace {

TEST(ProgressFill, FullBarIsOnePixelShortAndEmptyAtZero)
{
    struct Case {
        int left, right, percent, filledRight;
    };
    const Case cases[] = {
        {1, 136, 100, 135},                                                        // 135 inner pixels give 134 filled
        {1, 136, 0, 1},     {1, 136, 50, 68}, {0, 100, 100, 99}, {0, 10, 200, 9},  // never past the inner right edge
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.filledRight, FilledRight(c.left, c.right, c.percent)) << c.right << " " << c.percent;
    }
    EXPECT_EQ(2, FilledTop(1, 136, 100));
    EXPECT_EQ(136, FilledTop(1, 136, 0));
    EXPECT_EQ(1, FilledTop(0, 10, 200));
}

TEST(ProgressFill, RangeClampAndPercent)
{
    EXPECT_EQ(1, ProgressRange(5, 5));
    EXPECT_EQ(100, ProgressRange(0, 100));
    EXPECT_EQ(100, ProgressRange(100, 0));
    EXPECT_EQ(0x7FFFFFFF, ProgressRange(-0x7FFFFFFF - 1, 0x7FFFFFFF));
    EXPECT_EQ(5, ClampProgressPosition(0, 5, 5));
    EXPECT_EQ(100, ClampProgressPosition(150, 0, 100));
    EXPECT_EQ(0, ClampProgressPosition(-3, 0, 100));
    EXPECT_EQ(100, ProgressPercent(100, 0, 100));
    EXPECT_EQ(0, ProgressPercent(5, 5, 1));
    EXPECT_EQ(33, ProgressPercent(1, 0, 3));
    EXPECT_EQ(100, ProgressPercent(3, 0, 3));
    EXPECT_EQ(50, ProgressPercent(60, 10, 100));
}

TEST(RegionRuns, RunsFromBottomRowUpLeftToRight)
{
    // 'x' differs from the key colour, '.' is the key.
    const std::vector<std::string> rows = {"x..xx", ".....", "xxxxx"};
    auto pixel = [&rows](int x, int y) -> uint32_t { return rows[y][x] == 'x' ? 1u : 0u; };
    std::vector<RunRect> runs = NonKeyRuns(5, 3, pixel, 0);
    ASSERT_EQ(3u, runs.size());
    const RunRect expected[] = {{0, 2, 5, 3}, {0, 0, 1, 1}, {3, 0, 5, 1}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(expected[i].left, runs[i].left) << i;
        EXPECT_EQ(expected[i].top, runs[i].top) << i;
        EXPECT_EQ(expected[i].right, runs[i].right) << i;
        EXPECT_EQ(expected[i].bottom, runs[i].bottom) << i;
    }
    EXPECT_TRUE(NonKeyRuns(
                    5, 3, [](int, int) { return 7u; }, 7)
                    .empty());
    EXPECT_TRUE(NonKeyRuns(0, 0, pixel, 0).empty());
}

TEST(LinkRules, ColourPrecedence)
{
    struct Case {
        uint32_t styles;
        bool hover, active, visited;
        LinkColourRole role;
    };
    const Case cases[] = {
        {LinkHoverColour, true, true, true, LinkColourRole::Hover},
        {0, true, true, true, LinkColourRole::Active},  // hover changes nothing without the flag
        {0, true, false, false, LinkColourRole::Normal},
        {LinkNoActiveColour, false, true, true, LinkColourRole::Visited},
        {LinkNoActiveColour, false, true, false, LinkColourRole::Normal},
        {0, false, false, true, LinkColourRole::Visited},
        {LinkHoverColour, false, false, false, LinkColourRole::Normal},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.role, ChooseLinkColour(c.styles, c.hover, c.active, c.visited))
            << c.styles << c.hover << c.active << c.visited;
    }
}

TEST(LinkRules, BrowserCommandLine)
{
    struct Case {
        const char* browser;
        const char* command;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Web\\web.exe\" -nohome \"%1\"",
         "\"C:\\Program Files\\Web\\web.exe\" -nohome  http://t/"},
        {"web.exe %1 -x", "web.exe  http://t/"},
        {"web.exe", "web.exe http://t/"},
        {"", " http://t/"},
    };
    for (const Case& c : cases) {
        std::string command;
        EXPECT_TRUE(BuildBrowserCommand(c.browser, "http://t/", command)) << c.browser;
        EXPECT_EQ(c.command, command);
    }
}

TEST(LinkRules, BrowserCommandThatWouldNotFitFails)
{
    std::string command = "unchanged";
    std::string browser(500, 'b');
    EXPECT_TRUE(BuildBrowserCommand(browser, std::string(18, 't'), command));  // 519 + zero
    EXPECT_EQ(519u, command.size());
    command = "unchanged";
    EXPECT_FALSE(BuildBrowserCommand(browser, std::string(19, 't'), command));
    EXPECT_EQ("unchanged", command);
}

TEST(LinkRules, ErrorTexts)
{
    EXPECT_EQ("Can't open link:\n\nUnknown Error (42) occurred.", LinkErrorText(42));
    EXPECT_EQ("Can't open link:\n\nUnknown Error (-1) occurred.", LinkErrorText(-1));
    EXPECT_EQ("Can't open link:\n\nThe specified file was not found.", LinkErrorText(2));
    EXPECT_EQ("Can't open link:\n\nA sharing violation occurred. ", LinkErrorText(26));
    EXPECT_EQ("Can't open link:\n\nThe operating system is out\nof memory or resources.", LinkErrorText(0));
}

}  // namespace

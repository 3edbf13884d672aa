// The link file reader meets shortcut files of any origin: the environment-strings target of
// well-formed files, nothing (and no read outside the file) from malformed ones.
#include "link_file.h"
#include "link_file_builder.h"

#include <gtest/gtest.h>

namespace {

using namespace link_file;

const std::string kTarget = "%ProgramFiles%\\Acme\\viewer.exe";
const std::u16string kWideTarget = u"%ProgramFiles%\\Acme\\viewer.exe";

TEST(LinkFile, ReadsTheEnvironmentStringsTarget)
{
    const std::string block = EnvironmentBlock(kTarget, kWideTarget);
    const std::string console = U32(0xCC) + U32(0xA0000002) + std::string(0xCC - 8, 'c');
    const std::string idList = U16(6) + std::string(6, 'i');
    const std::string linkInfo = U32(12) + std::string(8, 'l');
    const std::string wideName = U16(3) + std::string(6, 'n');
    const std::string narrowName = U16(3) + std::string(3, 'n');
    const std::string fullTarget(260, 'A');
    const struct {
        const char* what;
        std::string file;
        std::string ansi;
        std::u16string unicode;
    } cases[] = {
        {"block only", LinkFile(kHasExpString | kIsUnicode, "", {block}), kTarget, kWideTarget},
        {"after every section and another block",
         LinkFile(kHasExpString | kIsUnicode | kHasTargetIdList | kHasLinkInfo | kHasName, idList + linkInfo + wideName,
                  {console, block}),
         kTarget, kWideTarget},
        {"8-bit strings", LinkFile(kHasExpString | kHasName, narrowName, {block}), kTarget, kWideTarget},
        {"8-bit copy only", LinkFile(kHasExpString, "", {EnvironmentBlock(kTarget, u"")}), kTarget, u""},
        {"texts that fill their fields",
         LinkFile(kHasExpString, "", {EnvironmentBlock(fullTarget, std::u16string(260, u'W'))}), fullTarget,
         std::u16string(260, u'W')},
    };
    for (const auto& c : cases) {
        ExpandableTarget target;
        ASSERT_TRUE(ReadExpandableTarget(c.file, target)) << c.what;
        EXPECT_EQ(target.ansi, c.ansi) << c.what;
        EXPECT_TRUE(target.unicode == c.unicode) << c.what;
    }
}

TEST(LinkFile, MalformedOrOtherFilesGiveNothing)
{
    const std::string block = EnvironmentBlock(kTarget, kWideTarget);
    const std::string good = LinkFile(kHasExpString | kIsUnicode, "", {block});
    std::string otherClass = good;
    otherClass[4] = 0x02;
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"empty", ""},
        {"header only", Header(kHasExpString)},
        {"no HasExpString flag", LinkFile(kIsUnicode, "", {block})},
        {"another class id", otherClass},
        {"another header size", U32(0x50) + good.substr(4)},
        {"block cut short", good.substr(0, 0x4C + 0x200)},
        {"block of another size", LinkFile(kHasExpString, "", {U32(0x310) + block.substr(4, 0x310 - 4)})},
        {"terminal block first", LinkFile(kHasExpString, U32(0), {block})},
        {"block size below eight", LinkFile(kHasExpString, U32(5) + "abcd", {block})},
        {"block size past the end", LinkFile(kHasExpString, U32(0x7FFFFFFF) + U32(1), {})},
        {"id list past the end", LinkFile(kHasExpString | kHasTargetIdList, U16(0xFFFF), {block})},
        {"link info below its own size", LinkFile(kHasExpString | kHasLinkInfo, U32(3), {block})},
        {"string past the end", LinkFile(kHasExpString | kIsUnicode | kHasName, U16(0xFFFF), {block})},
        {"no block", LinkFile(kHasExpString, "", {})},
    };
    for (const auto& c : cases) {
        ExpandableTarget target;
        EXPECT_FALSE(ReadExpandableTarget(c.file, target)) << c.what;
    }
}

TEST(LinkFile, SixtyFourBitFolderNames)
{
    const struct {
        std::u16string target;
        std::u16string expected;
    } cases[] = {
        {u"%ProgramFiles%\\Acme\\a.exe", u"%ProgramW6432%\\Acme\\a.exe"},
        {u"%PROGRAMFILES%\\a.exe", u"%ProgramW6432%\\a.exe"},
        {u"%CommonProgramFiles%\\Acme\\a.exe", u"%CommonProgramW6432%\\Acme\\a.exe"},
        {u"%ProgramFiles(x86)%\\a.exe", u"%ProgramFiles(x86)%\\a.exe"},
        {u"%SystemRoot%\\System32\\a.exe", u"%SystemRoot%\\System32\\a.exe"},
        {u"%A%%ProgramFiles%", u"%A%%ProgramW6432%"},
        // Percent signs pair from the left: "%\\%" is the pair here, the name after it stays.
        {u"C:\\100%\\%ProgramFiles%", u"C:\\100%\\%ProgramFiles%"},
        {u"%ProgramFiles\\a.exe", u"%ProgramFiles\\a.exe"},
        {u"C:\\Program Files\\a.exe", u"C:\\Program Files\\a.exe"},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(WithSixtyFourBitFolders(c.target) == c.expected) << std::string(c.target.begin(), c.target.end());
}

}  // namespace

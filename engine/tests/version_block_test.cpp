// The version-resource walk reads blocks of arbitrary programs: well-formed blocks give their
// language key, malformed ones give 1 without reading outside the block or looping.
#include "version_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void PadTo4(Bytes& b)
{
    while (b.size() % 4)
        b.push_back(0);
}

// A version node: length, value length, type, UTF-16 name, padding, value, padded children.
Bytes Node(const std::u16string& name, const Bytes& value, const std::vector<Bytes>& children)
{
    Bytes b(6, 0);
    for (char16_t c : name) {
        b.push_back(uint8_t(c));
        b.push_back(uint8_t(c >> 8));
    }
    b.push_back(0);
    b.push_back(0);
    PadTo4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        PadTo4(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    b[0] = uint8_t(b.size());
    b[1] = uint8_t(b.size() >> 8);
    b[2] = uint8_t(value.size());
    b[3] = uint8_t(value.size() >> 8);
    return b;
}

Bytes StringFileInfo(const std::u16string& language)
{
    return Node(u"StringFileInfo", {}, {Node(language, {}, {Node(u"CompanyName", {'A', 0, 0, 0}, {})})});
}

Bytes VarFileInfo()
{
    return Node(u"VarFileInfo", {}, {Node(u"Translation", {0x09, 0x04, 0xB0, 0x04}, {})});
}

Bytes Root(const std::vector<Bytes>& children)
{
    return Node(u"VS_VERSION_INFO", Bytes(52, 0xEE), children);
}

int Find(const Bytes& block, std::string& key)
{
    return FindVersionLanguage(block.data(), block.size(), key);
}

TEST(FindVersionLanguage, WellFormedBlocks)
{
    std::string key;
    EXPECT_EQ(Find(Root({StringFileInfo(u"040904B0"), VarFileInfo()}), key), 0);
    EXPECT_EQ(key, "040904B0");

    key = "unchanged";
    EXPECT_EQ(Find(Root({VarFileInfo(), StringFileInfo(u"040904B0")}), key), 1);
    EXPECT_EQ(key, "unchanged");

    EXPECT_EQ(Find(Root({}), key), 1);
    EXPECT_EQ(Find(Root({Node(u"StringFileInfo", {}, {}), StringFileInfo(u"041D04E4")}), key), 0);
    EXPECT_EQ(key, "041D04E4");  // an empty StringFileInfo is passed over
}

TEST(FindVersionLanguage, MalformedBlocksEndTheWalk)
{
    std::string key;
    Bytes zeroChild = Root({StringFileInfo(u"040904B0")});
    size_t child = 92;  // root header, name and the 52-byte value
    zeroChild[child] = zeroChild[child + 1] = 0;
    EXPECT_EQ(Find(zeroChild, key), 1);

    Bytes pastParent = Root({StringFileInfo(u"040904B0")});
    pastParent[child] = 0xFF;
    pastParent[child + 1] = 0x7F;
    EXPECT_EQ(Find(pastParent, key), 1);

    Bytes rootPastBlock = Root({StringFileInfo(u"040904B0")});
    rootPastBlock[0] = rootPastBlock[1] = 0xFF;
    EXPECT_EQ(Find(rootPastBlock, key), 0);  // the root is bounded by the block itself

    Bytes unterminatedName(64, 'A');
    unterminatedName[0] = 64;
    EXPECT_EQ(Find(unterminatedName, key), 1);

    EXPECT_EQ(FindVersionLanguage(nullptr, 100, key), 1);
}

TEST(FindVersionLanguage, EveryTruncationIsSafe)
{
    Bytes whole = Root({StringFileInfo(u"040904B0"), VarFileInfo()});
    for (size_t size = 0; size <= whole.size(); ++size) {
        // A fresh buffer of exactly this size, so that a sanitizer sees any read past it.
        Bytes cut(whole.begin(), whole.begin() + long(size));
        std::string key;
        int result = FindVersionLanguage(cut.data(), cut.size(), key);
        if (result == 0) {
            EXPECT_EQ(key, "040904B0");
        }
    }
}

TEST(BoundedVersionString, StaysInsideTheBlock)
{
    const char block[] = "....Acme Ltd\0tail";
    EXPECT_EQ(BoundedVersionString(block, sizeof block, block + 4, 9), "Acme Ltd");
    EXPECT_EQ(BoundedVersionString(block, sizeof block, block + 4, 3), "Acm");
    EXPECT_EQ(BoundedVersionString(block, 8, block + 4, 100), "Acme");
    EXPECT_EQ(BoundedVersionString(block, sizeof block, block + sizeof block, 4), "");
    EXPECT_EQ(BoundedVersionString(block + 4, 8, block, 4), "");
    EXPECT_EQ(BoundedVersionString(block, sizeof block, nullptr, 4), "");
}

}  // namespace

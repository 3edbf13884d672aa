#include "link_file.h"

#include <cstdint>

namespace {

constexpr size_t kHeaderSize = 0x4C;
constexpr uint8_t kLinkClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// Header flags that say which sections follow the header.
constexpr uint32_t kHasTargetIdList = 0x1;
constexpr uint32_t kHasLinkInfo = 0x2;
constexpr uint32_t kStringDataFlags[] = {0x4, 0x8, 0x10, 0x20, 0x40};  // name to icon location
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kHasExpString = 0x200;
// The environment-variable block: size, signature, 260 bytes of 8-bit text, 260 UTF-16 units.
constexpr uint32_t kEnvironmentBlockSignature = 0xA0000001;
constexpr size_t kEnvironmentBlockSize = 0x314;
constexpr size_t kTargetChars = 260;

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}

    bool Has(size_t at, size_t size) const { return at <= data_.size() && size <= data_.size() - at; }
    uint32_t U16(size_t at) const { return Byte(at) | Byte(at + 1) << 8; }
    uint32_t U32(size_t at) const { return U16(at) | U16(at + 2) << 16; }
    uint8_t Byte(size_t at) const { return static_cast<uint8_t>(data_[at]); }

private:
    std::string_view data_;
};

// Moves at past a section of the given size; false when the section does not fit the file.
bool Skip(const Reader& file, size_t& at, size_t size)
{
    if (!file.Has(at, size))
        return false;
    at += size;
    return true;
}

// The offset of the extra data blocks after header, target id list, link info and strings.
bool FindExtraData(const Reader& file, uint32_t flags, size_t& at)
{
    at = kHeaderSize;
    if ((flags & kHasTargetIdList) && !(file.Has(at, 2) && Skip(file, at, 2 + file.U16(at))))
        return false;
    if (flags & kHasLinkInfo) {
        // The link info's size counts its own four bytes.
        if (!file.Has(at, 4) || file.U32(at) < 4 || !Skip(file, at, file.U32(at)))
            return false;
    }
    size_t charSize = (flags & kIsUnicode) ? 2 : 1;
    for (uint32_t present : kStringDataFlags) {
        if ((flags & present) && !(file.Has(at, 2) && Skip(file, at, 2 + charSize * file.U16(at))))
            return false;
    }
    return true;
}

void ReadTarget(const Reader& file, size_t block, ExpandableTarget& target)
{
    target = ExpandableTarget();
    for (size_t i = 0; i < kTargetChars && file.Byte(block + 8 + i) != 0; ++i)
        target.ansi += static_cast<char>(file.Byte(block + 8 + i));
    size_t unicode = block + 8 + kTargetChars;
    for (size_t i = 0; i < kTargetChars && file.U16(unicode + 2 * i) != 0; ++i)
        target.unicode += static_cast<char16_t>(file.U16(unicode + 2 * i));
}

bool EqualsIgnoringAsciiCase(const std::u16string& text, std::u16string_view name)
{
    if (text.size() != name.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t a = text[i], b = name[i];
        if (a >= u'a' && a <= u'z')
            a = char16_t(a - u'a' + u'A');
        if (b >= u'a' && b <= u'z')
            b = char16_t(b - u'a' + u'A');
        if (a != b)
            return false;
    }
    return true;
}

}  // namespace

bool ReadExpandableTarget(std::string_view linkFile, ExpandableTarget& target)
{
    Reader file(linkFile);
    if (!file.Has(0, kHeaderSize) || file.U32(0) != kHeaderSize)
        return false;
    for (size_t i = 0; i < sizeof kLinkClassId; ++i) {
        if (file.Byte(4 + i) != kLinkClassId[i])
            return false;
    }
    uint32_t flags = file.U32(0x14);
    size_t at = 0;
    if (!(flags & kHasExpString) || !FindExtraData(file, flags, at))
        return false;
    // Blocks follow one another until one of fewer than four bytes, the terminal block.
    while (file.Has(at, 8)) {
        uint32_t size = file.U32(at);
        if (size < 8 || !file.Has(at, size))
            return false;
        if (file.U32(at + 4) == kEnvironmentBlockSignature) {
            if (size != kEnvironmentBlockSize)
                return false;
            ReadTarget(file, at, target);
            return true;
        }
        at += size;
    }
    return false;
}

std::u16string WithSixtyFourBitFolders(const std::u16string& target)
{
    const struct {
        std::u16string_view name;
        std::u16string_view sixtyFourBitName;
    } renames[] = {{u"ProgramFiles", u"ProgramW6432"}, {u"CommonProgramFiles", u"CommonProgramW6432"}};
    std::u16string result;
    size_t at = 0;
    // Percent signs pair up from the left: %name% is a variable, a lone one stays as it is.
    for (size_t open = target.find(u'%'); open != std::u16string::npos; open = target.find(u'%', at)) {
        size_t close = target.find(u'%', open + 1);
        if (close == std::u16string::npos)
            break;
        std::u16string name = target.substr(open + 1, close - open - 1);
        for (const auto& rename : renames) {
            if (EqualsIgnoringAsciiCase(name, rename.name))
                name = rename.sixtyFourBitName;
        }
        result += target.substr(at, open - at) + u'%' + name + u'%';
        at = close + 1;
    }
    return result + target.substr(at);
}

// INF files in the shapes real driver packages use, read as Windows reads them, and the OS codes
// a models section's decoration makes its ids offered for.
#include "inf_package.h"
#include "package_offers.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// "code id version date description" of every offer, or "refused: line N: reason".
std::vector<std::string> Offers(const std::string& bytes, Architecture architecture = Architecture::X86)
{
    InfPackage package;
    InfFault fault;
    if (!ReadInfPackage(bytes, architecture, package, fault))
        return {"refused: " + Describe(fault)};
    std::vector<std::string> offers;
    for (const PackageOffer& offer : OffersOfPackage(package, architecture, KnownOsCodes()).offers)
        offers.push_back(offer.osCode + " " + offer.identity + " " + offer.driver.version + " " + offer.driver.date +
                         " " + offer.driver.description);
    return offers;
}

// UTF-16LE with a byte-order mark, from text whose bytes are characters of page 1252's lower half
// and of Latin-1 (as the tests' texts are).
std::string Utf16(const std::string& latin1, bool byteOrderMark = true)
{
    std::string bytes = byteOrderMark ? "\xFF\xFE" : "";
    for (char c : latin1) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// An undecorated manufacturer, [Strings] first, CR LF lines, a quote inside quotes, a 1252 byte.
const std::string kUndecorated =
    "; Contoso network driver\r\n"
    "[Strings]\r\n"
    "Mfg = \"Contoso\"\r\n"
    "Desc = \"Contoso \"\"Fast\"\" Caf\xE9 NIC\"\r\n"
    "[Version]\r\n"
    "Signature=\"$CHICAGO$\"\r\n"
    "Provider=%Mfg%\r\n"
    "DriverVer=06/21/2006,5.1.2600.2180\r\n"
    "[Manufacturer]\r\n"
    "%Mfg%=Contoso\r\n"
    "[Contoso]\r\n"
    "%Desc% = Inst, PCI\\VEN_1234&DEV_0001\r\n";

// A decorated manufacturer (quoted name, trailing commas) with an XP section and an empty Vista
// one; tokens inside ids, a continued line, lower-case ids, an empty hardware-id field, the
// install section's own DriverVer and strings for US English beside neutral ones.
const std::string kDecorated =
    "[Version]\n"
    "Signature = \"$Windows NT$\"\n"
    "DriverVer = 01-02-2007 , 6.0.0.1 ; a comment\n"
    "[Manufacturer]\n"
    "\"Fabrikam\" = Fab, NTx86.5.1, NTx86.6.0,,\n"
    "[fab.ntx86.5.1]\n"
    "%Desc% = Inst, usb\\vid_0a5c&pid_%Pid%&rev_0100\n"
    "%Desc% = Inst, , PCI\\VEN_0A5C&DEV_2110&SUBSYS_00000A5C ; a compatible id alone\n"
    "%Desc% = Inst, PCI\\VEN_0A5C&DEV_2111&SUBSYS_11110A5C&REV_01, \\\n"
    "         PCI\\VEN_0A5C&DEV_2111\n"
    "[Fab.NTx86.6.0]\n"
    "[Inst.NT]\n"
    "DriverVer = 02/03/2007,6.0.0.2\n"
    "[Strings]\n"
    "Desc = \"neutral strings\"\n"
    "Pid = 9999\n"
    "[Strings.0409]\n"
    "Desc = \"Fabrikam Bluetooth\"\n"
    "Pid = 2110\n";

TEST(InfPackage, ReadsTheShapesOfRealPackages)
{
    const std::vector<std::string> contoso = {
        "2 PCI\\VEN_1234&DEV_0001 5.1.2600.2180 2006-06-21 Contoso \"Fast\" Caf\xC3\xA9 NIC",
        "4 PCI\\VEN_1234&DEV_0001 5.1.2600.2180 2006-06-21 Contoso \"Fast\" Caf\xC3\xA9 NIC",
        "6 PCI\\VEN_1234&DEV_0001 5.1.2600.2180 2006-06-21 Contoso \"Fast\" Caf\xC3\xA9 NIC",
    };
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> offers;
    } cases[] = {
        {"ANSI", kUndecorated, contoso},
        {"UTF-16LE", Utf16(kUndecorated), contoso},
        {"Ctrl-Z ends the text", kUndecorated + "\x1A[Contoso]\nx = Inst, PCI\\VEN_1234&DEV_0002\n", contoso},
        {"decorated",
         kDecorated,
         {
             "4 PCI\\VEN_0A5C&DEV_2110&SUBSYS_00000A5C 6.0.0.2 2007-02-03 Fabrikam Bluetooth",
             "4 PCI\\VEN_0A5C&DEV_2111 6.0.0.2 2007-02-03 Fabrikam Bluetooth",
             "4 PCI\\VEN_0A5C&DEV_2111&SUBSYS_11110A5C&REV_01 6.0.0.2 2007-02-03 Fabrikam Bluetooth",
             "4 USB\\VID_0A5C&PID_2110&REV_0100 6.0.0.2 2007-02-03 Fabrikam Bluetooth",
         }},
        {"UTF-16 without a byte-order mark",
         Utf16(kUndecorated, false),
         {"refused: UTF-16 text without a byte-order mark"}},
        {"template: $ARCH$",
         "[Version]\nSignature=$Windows NT$\n[Manufacturer]\n%M%=Models,NT$ARCH$\n",
         {"refused: line 4: template text (%M%=Models,NT$ARCH$), not a finished INF: it needs the driver's build "
          "tools first"}},
        {"template: #include",
         "#include \"common.inx\"\n[Version]\n",
         {"refused: line 1: template text (#include \"common.inx\"), not a finished INF: it needs the driver's "
          "build tools first"}},
        {"no driver version",
         "[Version]\nSignature=$Windows NT$\nDriverVer=06/21/2006\n",
         {"refused: line 3: DriverVer has no driver version"}},
        {"version 0.0.0.0",
         "[Version]\nSignature=$Windows NT$\nDriverVer=06/21/2006,0.0.0.0\n",
         {"refused: line 3: DriverVer's version is not w.x.y.z (0.0.0.0 is none): \"0.0.0.0\""}},
        {"no DriverVer at all",
         "[Version]\nSignature=$Windows NT$\n[Manufacturer]\nM=Models\n[Models]\nd = Inst, PCI\\VEN_1&DEV_2\n",
         {"refused: line 6: no DriverVer in [Version] or in the install section Inst"}},
        {"unknown token",
         "[Version]\nSignature=$Windows NT$\nDriverVer=1/2/2003,1.0\n[Manufacturer]\n%Nope%=Models\n",
         {"refused: line 5: unknown token %Nope%"}},
        {"decoration naming a section that is not there",
         "[Version]\nSignature=$Windows NT$\nDriverVer=1/2/2003,1.0\n[Manufacturer]\nM=Models,NTx86.6.0\n",
         {"refused: line 5: [Manufacturer] names the models section [Models.NTx86.6.0], which is not there"}},
        {"another signature",
         "[Version]\nSignature=$Windows 95$\n",
         {"refused: line 2: the signature is not $Windows NT$ or $Chicago$"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Offers(c.bytes), c.offers) << c.name;
}

// The ids a device can never send are counted by reason, not offered.
TEST(InfPackage, CountsIdsNoDeviceSends)
{
    InfPackage package;
    InfFault fault;
    ASSERT_TRUE(
        ReadInfPackage("[Version]\nSignature=$Windows NT$\nDriverVer=1/2/2003,1.0\n[Manufacturer]\nM=Models\n"
                       "[Models]\nd = Inst, USB\\VID_1&PID_2, PCI\\VEN_1&DEV_2&REV_01, PCI\\VEN_1&DEV_2&CC_0300,"
                       " PCI\\CC_0300, *PNP0303, PCI\\VEN_1&DEV_2&SUBSYS_00000001\n",
                       Architecture::X86, package, fault))
        << Describe(fault);
    const PackageOffers offers = OffersOfPackage(package, Architecture::X86, {"4"});
    ASSERT_EQ(offers.offers.size(), 1u);
    EXPECT_EQ(offers.offers[0].identity, "PCI\\VEN_1&DEV_2&SUBSYS_00000001");
    const std::map<std::string, size_t> unreachable = {{"USB id without &REV_", 1},
                                                       {"PCI id with &REV_ but no &SUBSYS_", 1},
                                                       {"class id (&CC_)", 2},
                                                       {"compatible id (*)", 1}};
    EXPECT_EQ(offers.unreachable, unreachable);
}

// Which OS codes a models section's id is offered for: those whose every Windows picks a section
// that holds it. The README's table.
TEST(InfPackage, DecorationsDecideTheOsCodes)
{
    const struct {
        std::vector<std::string> decorations;  // as [Manufacturer] lists them; "" the undecorated section
        std::vector<bool> holds;               // whether each section holds the id (else it is empty)
        const char* x86;
        const char* amd64;
    } cases[] = {
        {{""}, {true}, "2 4 6", ""},
        {{"NTx86"}, {true}, "4 6", ""},
        {{"NT"}, {true}, "4 6", ""},
        {{"NTamd64"}, {true}, "", "4 6"},
        {{"NTx86.5.1"}, {true}, "4 6", ""},
        {{"NTx86.5.1", "NTx86.6.0"}, {true, false}, "4", ""},
        {{"", "NTx86.5.1", "NTx86.6.0"}, {true, false, false}, "2", ""},
        {{"", "NTx86.6.0"}, {true, true}, "2 4 6", ""},
        {{"NTx86.5.2"}, {true}, "6", ""},
        {{"NTamd64.5.2"}, {true}, "", "4 6"},
        {{"NTx86.6.0", "NTamd64.6.0"}, {true, true}, "6", "6"},
        {{"NTx86.6.1", "NTamd64.6.1"}, {true, true}, "", ""},
        {{"NTx86...1"}, {true}, "", ""},
        {{"NTx86...1", "NTx86...2", "NTx86...3"}, {true, true, true}, "4 6", ""},
        {{"NTamd64.6.0", "NTamd64.10.0...17763"}, {true, true}, "", "6"},
        {{"NTamd64.6.0", "NTamd64.10.0...17763"}, {true, false}, "", ""},
        {{"NTx86.6.0..0x10"}, {true}, "", ""},
        {{"NTia64", "NTarm64"}, {true, true}, "", ""},
    };
    for (const auto& c : cases) {
        std::string manufacturer = "M = Models", sections;
        for (size_t i = 0; i < c.decorations.size(); ++i) {
            const std::string& decoration = c.decorations[i];
            manufacturer += decoration.empty() ? "" : ", " + decoration;
            sections += "[Models" + (decoration.empty() ? "" : "." + decoration) + "]\n" +
                        (c.holds[i] ? "d = Inst, PCI\\VEN_1&DEV_2\n" : "");
        }
        const std::string inf = "[Version]\nSignature=$Windows NT$\nDriverVer=1/2/2003,1.0\n[Manufacturer]\n" +
                                manufacturer + "\n" + sections;
        for (Architecture architecture : {Architecture::X86, Architecture::Amd64}) {
            std::string codes;
            for (const std::string& offer : Offers(inf, architecture))
                codes += (codes.empty() ? "" : " ") + offer.substr(0, offer.find(' '));
            EXPECT_EQ(codes, architecture == Architecture::X86 ? c.x86 : c.amd64)
                << manufacturer << (architecture == Architecture::X86 ? " (x86)" : " (amd64)");
        }
    }
}

}  // namespace

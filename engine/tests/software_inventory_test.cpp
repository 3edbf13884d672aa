// The software pass on a real Wine prefix: real shell links in the three special folders,
// real version resources made by windres, real files.
#include "environment_text.h"
#include "link_file_builder.h"
#include "sample_pc.h"
#include "scan_document.h"
#include "shell_link.h"
#include "software_inventory.h"
#include "wow64.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

std::string Line(const std::string& identity, const std::string& version,
                 const ScanFlavour& flavour = kComponentFlavour)
{
    ScanDocument item(flavour);
    item.SetProperty(kHardwareIdKey, identity);
    item.SetProperty(kVersionIdKey, version);
    if (flavour.setsPermuteLevel)
        item.SetProperty(kPermuteLevelKey, "N");
    return item.FormatItemLine();
}

const std::string kAcme = Line("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.2.0.0");
const std::string kNorthwind = Line("SOFTWARE\\Northwind Traders\\Northwind Mail", "3, 1, 0, 7");
const std::string kContoso = Line("SOFTWARE\\Contoso\\Contoso Paint", "2.0.1.0");

class SoftwareInventoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        for (const char* name :
             {"acme_viewer", "northwind_mail", "contoso_paint", "no_description", "var_first", "no_version"})
            ASSERT_TRUE(pc_.InstallProgram(name, Program(name))) << name;
    }
    void TearDown() override { CoUninitialize(); }

    // The program folder of this process's kind (on 64-bit Windows the 32-bit one for a 32-bit process).
    static std::string Folder() { return SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Korvala Test"; }
    static std::string Program(const std::string& name) { return Folder() + "\\" + name + ".exe"; }

    std::string RunPass(const ScanFlavour& flavour = kComponentFlavour)
    {
        SoftwareInventory pass(progress_, cancel_, flavour);
        return pass.Run();
    }

    SamplePc pc_;
    std::atomic<int32_t> progress_{0};
    std::atomic<uint8_t> cancel_{0};
};

TEST_F(SoftwareInventoryTest, NoShortcutsGiveAnEmptyText)
{
    EXPECT_EQ(RunPass(), "");
    EXPECT_EQ(progress_, 0);
}

TEST_F(SoftwareInventoryTest, FolderOrderDepthFirstWithDuplicates)
{
    // Each folder's own shortcuts first, then every sub-folder walked whole, in name order.
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_COMMON_STARTMENU, "Common.lnk", Program("northwind_mail")));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_DESKTOPDIRECTORY, "Acme on the desktop.lnk", Program("acme_viewer")));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "Programs\\Second\\Three.lnk", Program("contoso_paint")));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "Programs\\First\\Deeper\\Two.lnk", Program("northwind_mail")));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "Programs\\First\\One.lnk", Program("contoso_paint")));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "Top.lnk", Program("acme_viewer")));
    // Only the user's desktop is read, not the all-users one.
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_COMMON_DESKTOPDIRECTORY, "Everyone.lnk", Program("contoso_paint")));

    EXPECT_EQ(RunPass(), kAcme + kContoso + kNorthwind + kContoso + kAcme + kNorthwind);
}

TEST_F(SoftwareInventoryTest, TargetsWithoutAnExecutableOrVersionResourceAreSkipped)
{
    ASSERT_TRUE(pc_.InstallProgram("acme_viewer", Folder() + "\\SHOUTING.EXE"));
    ASSERT_TRUE(pc_.AddFile(Folder() + "\\manual.pdf", "%PDF-1.4"));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "1 upper case.lnk", Folder() + "\\SHOUTING.EXE"));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "2 document.lnk", Folder() + "\\manual.pdf"));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "3 folder.lnk", Folder()));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "4 no version.lnk", Program("no_version")));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "5 gone.lnk", Folder() + "\\removed.exe"));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "6 acme.lnk", Program("acme_viewer")));
    EXPECT_EQ(RunPass(), kAcme);
}

TEST_F(SoftwareInventoryTest, IncompleteVersionResources)
{
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "1.lnk", Program("no_description")));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "2.lnk", Program("var_first")));
    // No description: the identity ends with the backslash after the company. Variable
    // information first: no strings are found at all.
    EXPECT_EQ(RunPass(), Line("SOFTWARE\\Fabrikam\\", "4.5") + Line("SOFTWARE\\\\", ""));
}

TEST_F(SoftwareInventoryTest, TargetsKeptAsEnvironmentStringsOnly)
{
    // Link files whose only target is the environment-variable block, written byte by byte:
    // Wine's shell link object makes no such file and gives no path for one. The variable is one
    // of this process's own environment.
    ASSERT_TRUE(SetEnvironmentVariableA("KORVALA_TEST_PROGRAMS", Folder().c_str()));
    const std::string startMenu = SpecialFolder(CSIDL_STARTMENU);
    const std::string narrowOnly =
        link_file::LinkFile(link_file::kHasExpString, "",
                            {link_file::EnvironmentBlock("%KORVALA_TEST_PROGRAMS%\\northwind_mail.exe", u"")});
    ASSERT_TRUE(pc_.AddFile(startMenu + "\\1 both copies.lnk",
                            link_file::ExpandableOnly("%KORVALA_TEST_PROGRAMS%\\acme_viewer.exe")));
    ASSERT_TRUE(pc_.AddFile(startMenu + "\\2 8-bit copy.lnk", narrowOnly));
    ASSERT_TRUE(pc_.AddFile(startMenu + "\\3 unknown variable.lnk",
                            link_file::ExpandableOnly("%KORVALA_NO_SUCH_VARIABLE%\\acme_viewer.exe")));
    EXPECT_EQ(RunPass(), kAcme + kNorthwind);
    SetEnvironmentVariableA("KORVALA_TEST_PROGRAMS", nullptr);
}

// A file in the 64-bit system folder, which a 32-bit process reaches only with redirection off.
class SixtyFourBitSystemFile {
public:
    SixtyFourBitSystemFile(const std::string& sample, const std::string& path) : path_(path)
    {
        RedirectionOff redirectionOff;
        copied_ = CopyFileA(SampleProgramPath(sample).c_str(), path_.c_str(), FALSE) != FALSE;
    }
    ~SixtyFourBitSystemFile()
    {
        RedirectionOff redirectionOff;
        DeleteFileA(path_.c_str());
    }
    SixtyFourBitSystemFile(const SixtyFourBitSystemFile&) = delete;
    SixtyFourBitSystemFile& operator=(const SixtyFourBitSystemFile&) = delete;

    bool Copied() const { return copied_; }

private:
    std::string path_;
    bool copied_ = false;
};

TEST_F(SoftwareInventoryTest, SixtyFourBitProgramsSeenFromAThirtyTwoBitProcess)
{
    if (!RunsUnderWow64())
        GTEST_SKIP() << "needs a 32-bit process on 64-bit Windows: the 32-bit build's tests in a 64-bit prefix";
    // A 64-bit program and its 32-bit twin under the same name, in both program folders and both
    // system folders. Every shortcut leads to the 64-bit one, as the 64-bit shell starts it.
    const std::string sixtyFourBitFolder = EnvironmentText("ProgramW6432") + "\\Korvala Test";
    char system[MAX_PATH] = {}, systemWow64[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    ASSERT_GT(GetSystemWow64DirectoryA(systemWow64, MAX_PATH), 0u);
    ASSERT_NE(sixtyFourBitFolder, Folder());
    ASSERT_TRUE(pc_.InstallProgram("twin_64", sixtyFourBitFolder + "\\twin.exe"));
    ASSERT_TRUE(pc_.InstallProgram("twin_32", Folder() + "\\twin.exe"));
    SixtyFourBitSystemFile systemTwin("twin_64", std::string(system) + "\\korvala_twin.exe");
    ASSERT_TRUE(systemTwin.Copied());
    ASSERT_TRUE(pc_.InstallProgram("twin_32", std::string(systemWow64) + "\\korvala_twin.exe"));

    const std::string startMenu = SpecialFolder(CSIDL_STARTMENU);
    ASSERT_TRUE(pc_.AddFile(startMenu + "\\1 expandable.lnk",
                            link_file::ExpandableOnly("%ProgramFiles%\\Korvala Test\\twin.exe")));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "2 plain.lnk", sixtyFourBitFolder + "\\twin.exe"));
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "3 system.lnk", std::string(system) + "\\korvala_twin.exe"));
    const std::string twin = Line("SOFTWARE\\Korvala Test\\Twin", "6.4.0.0");
    EXPECT_EQ(RunPass(), twin + twin + twin);
}

TEST_F(SoftwareInventoryTest, DesktopFlavourWritesNoLevelAndSetsUpComItself)
{
    ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "Acme.lnk", Program("acme_viewer")));
    std::string text;
    // A thread on which nobody initialised COM: the desktop pass does it per shortcut.
    std::thread([&] { text = RunPass(kDesktopFlavour); }).join();
    EXPECT_EQ(text, Line("SOFTWARE\\Acme Ltd\\Acme Viewer", "1.2.0.0", kDesktopFlavour));
    EXPECT_EQ(text.find("PLEVEL"), std::string::npos);
}

TEST_F(SoftwareInventoryTest, ProgressTotals)
{
    for (int i = 0; i < 120; ++i)
        ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "Many\\" + std::to_string(i) + ".lnk", Program("acme_viewer")));
    std::string text = RunPass();
    EXPECT_EQ(progress_, 51);
    EXPECT_EQ(text.size(), 120 * kAcme.size());
}

TEST_F(SoftwareInventoryTest, CancelBeforeAndDuringThePass)
{
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "Many\\" + std::to_string(i) + ".lnk", Program("acme_viewer")));

    cancel_ = 1;
    EXPECT_EQ(RunPass(), "");
    EXPECT_EQ(progress_, 0);

    // Cancelled once the pass has earned ten units: the items made so far come back.
    cancel_ = 0;
    std::thread watcher([&] {
        for (int waited = 0; progress_ < 10 && waited < 30000; ++waited)
            Sleep(1);
        cancel_ = 1;
    });
    std::string text = RunPass();
    watcher.join();
    size_t items = text.size() / kAcme.size();
    EXPECT_EQ(text.size() % kAcme.size(), 0u);
    EXPECT_GE(items, 9u);
    EXPECT_LT(items, 60u);
}

}  // namespace

// korvala-desk-loopback, the whole program, scanning a prepared PC against the reference service.
// desk_scan_test.sh starts the service on the program's loopback address, saving each document
// it receives, and passes its folder and log here: KORVALA_KEPT_SCANS, KORVALA_SERVICE_LOG.
#include "desk_program.h"
#include "environment_text.h"
#include "sample_pc.h"
#include "sample_pc_devices.h"
#include "scan_document_layout.h"
#include "shell_link.h"
#include "stored_identification.h"
#include "test_devices.h"
#include "wine_app_version.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <initguid.h>
#include <devguid.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kScanButton = 1001;
const int kProgressBar = 1002;
const int kOptionsButton = 1004;
const char kResultsPostLine[] = "POST /result_page.php?desktop 200";

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()) : std::string();
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What the service received: its saved documents, numbered from 1, and its request log.
std::string KeptScan(size_t number)
{
    return EnvironmentText("KORVALA_KEPT_SCANS") + "\\scan-" + std::to_string(number) + ".xml";
}

size_t DocumentsReceived()
{
    size_t count = 0;
    while (FileExists(KeptScan(count + 1))) {
        ++count;
    }
    return count;
}

// The text of the document's first element of that name; "(none)" without one.
std::string ElementText(const std::string& document, const std::string& name)
{
    const std::string start = "<" + name + ">";
    const size_t from = document.find(start);
    const size_t to = from == std::string::npos ? from : document.find("</" + name + ">", from);
    return to == std::string::npos ? "(none)" : document.substr(from + start.size(), to - from - start.size());
}

template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs)
{
    for (DWORD started = ::GetTickCount(); !condition();) {
        if (::GetTickCount() - started > timeoutMs) {
            return false;
        }
        ::Sleep(20);
    }
    return true;
}

class DeskScanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (EnvironmentText("KORVALA_KEPT_SCANS").empty()) {
            GTEST_SKIP() << "run through desk_scan_test.sh, which starts the service";
        }
        ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
        m_devices = InstallSamplePcDevices();
        ASSERT_FALSE(m_devices.empty());
        m_pc = std::make_unique<SamplePc>();
        const std::string viewer = SpecialFolder(CSIDL_PROGRAM_FILES) + "\\Acme\\Viewer\\acmeview.exe";
        ASSERT_TRUE(m_pc->InstallProgram("acme_viewer", viewer));
        ASSERT_TRUE(m_pc->AddShortcut(CSIDL_COMMON_STARTMENU, "Programs\\Acme\\Acme Viewer.lnk", viewer));
    }
    void TearDown() override
    {
        m_pc.reset();
        m_devices.clear();
        ::CoUninitialize();
    }

    // The button pressed as the user would: the click reaches the window's command handler.
    static void PressScanButton(HWND window)
    {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(kScanButton, BN_CLICKED),
                              reinterpret_cast<LPARAM>(::GetDlgItem(window, kScanButton)), SMTO_NORMAL, 10000, &result);
    }
    static bool OptionsEnabled(HWND window) { return ::IsWindowEnabled(::GetDlgItem(window, kOptionsButton)) != FALSE; }
    static int Progress(HWND window)
    {
        DWORD_PTR position = 0;
        ::SendMessageTimeoutA(::GetDlgItem(window, kProgressBar), PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &position);
        return static_cast<int>(position);
    }
    // Waits for the scan to end, watching the progress bar on the way; false after a minute.
    static bool AwaitIdle(HWND window, size_t documents, int& highestProgress)
    {
        return WaitFor(
            [&] {
                highestProgress = std::max(highestProgress, Progress(window));
                return DocumentsReceived() >= documents && OptionsEnabled(window);
            },
            60000);
    }

    std::vector<std::unique_ptr<TestDevices>> m_devices;
    std::unique_ptr<SamplePc> m_pc;
};

TEST_F(DeskScanTest, FinishedScansReachTheServiceWithOnlyARegisteredUsersIdentification)
{
    DeskProgram program("korvala-desk-loopback.exe");
    ASSERT_NE(program.window, nullptr);
    HWND window = program.window;
    const struct {
        DWORD guestScan;
        const char* email;
    } cases[] = {{1, "<Email>ann@example.com</Email>"}, {0, "<Email></Email>"}, {2, "<Email>ann@example.com</Email>"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.guestScan);
        StoredIdentification stored(c.guestScan, "ann@example.com", "s3cret");
        const size_t before = DocumentsReceived();
        // A taller window, as after an earlier results page: the scan collapses it to the band.
        RECT rect = WindowRect(window);
        ::SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, 500, SWP_NOMOVE | SWP_NOZORDER);

        PressScanButton(window);
        rect = WindowRect(window);
        EXPECT_EQ(rect.bottom - rect.top, 128);
        int highestProgress = 0;
        ASSERT_TRUE(AwaitIdle(window, before + 1, highestProgress));
        EXPECT_LE(highestProgress, 100);
        EXPECT_EQ(DocumentsReceived(), before + 1);

        const std::string document = FileText(KeptScan(before + 1));
        EXPECT_NE(document.find("<Data NumberOfDevices=\"0\">"), std::string::npos);
        EXPECT_NE(document.find("<ScanItem HWIDHASH=\"7403206061709420101\" CURRENTVERSION=\"5.1.2600.0\" />"),
                  std::string::npos);
        EXPECT_NE(document.find("<ScanItem HWIDHASH=\"" + IdentityHashDecimal("SOFTWARE\\Acme Ltd\\Acme Viewer") +
                                "\" CURRENTVERSION=\"1.2.0.0\" />"),
                  std::string::npos);
        EXPECT_EQ(document.find("LEVEL"), std::string::npos);
        EXPECT_NE(document.find(c.email), std::string::npos);
        // The service keeps documents without their password; the scan's own test shows it is sent.
        EXPECT_NE(document.find("<Password></Password>"), std::string::npos) << document;
        EXPECT_EQ(document.find("s3cret"), std::string::npos) << document;
    }
    // The service logs a request once it has answered it: a moment after it saved the document.
    auto loggedPosts = [] {
        const std::string log = FileText(EnvironmentText("KORVALA_SERVICE_LOG"));
        size_t posts = 0;
        for (size_t at = log.find(kResultsPostLine); at != std::string::npos; at = log.find(kResultsPostLine, at + 1)) {
            ++posts;
        }
        return posts;
    };
    EXPECT_TRUE(WaitFor([&] { return loggedPosts() == DocumentsReceived(); }, 10000))
        << loggedPosts() << " logged, " << DocumentsReceived() << " received";
    EXPECT_TRUE(program.Running());
}

TEST_F(DeskScanTest, TheDocumentCarriesTheCodeOfTheWindowsVersionThatRunsTheProgram)
{
    // Windows XP, 7 and 10 by Wine's names, with the program's manifest in place: it declares no
    // Windows 8.1 or 10 compatibility, so Windows 10 tells the program version 6.2, whose code is
    // that of Vista and 7. XP starts the program with the manifest too.
    const struct {
        const char* version;
        const char* code;
    } cases[] = {{"winxp", "4"}, {"win7", "6"}, {"win10", "6"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        WineAppVersion told("korvala-desk-loopback.exe", c.version);
        ASSERT_TRUE(told.Set());
        DeskProgram program("korvala-desk-loopback.exe");
        ASSERT_NE(program.window, nullptr);
        const size_t before = DocumentsReceived();
        PressScanButton(program.window);
        int highestProgress = 0;
        ASSERT_TRUE(AwaitIdle(program.window, before + 1, highestProgress));
        const std::string document = FileText(KeptScan(before + 1));
        const std::string code = ElementText(document, "OSVersion");
        EXPECT_EQ(code, c.code) << document;
        EXPECT_NE(document.find("CURRENTVERSION=\"1.2.0.0\""), std::string::npos) << document;
        // For the record of a run (ctest -V).
        std::cout << "OS version code under Wine's " << c.version << ": \"" << code << "\"\n";
    }
}

TEST_F(DeskScanTest, AStoppedScanEndsIdleWithNothingPosted)
{
    // Enough devices that a scan lasts a few seconds: the stop comes in the middle.
    TestDevices slow(GUID_DEVCLASS_SYSTEM);
    for (int i = 0; i < 120; ++i) {
        ASSERT_TRUE(slow.Add("PCI\\VEN_4321&DEV_" + std::to_string(2000 + i), "1.0"));
    }
    DeskProgram program("korvala-desk-loopback.exe");
    ASSERT_NE(program.window, nullptr);
    HWND window = program.window;
    const size_t before = DocumentsReceived();

    for (bool atOnce : {false, true}) {
        SCOPED_TRACE(atOnce ? "start, stop at once" : "stop during the scan");
        PressScanButton(window);
        if (!atOnce) {
            ASSERT_TRUE(WaitFor([&] { return !OptionsEnabled(window) && Progress(window) > 0; }, 20000));
        }
        PressScanButton(window);
        ASSERT_TRUE(WaitFor([&] { return OptionsEnabled(window); }, 15000));
        EXPECT_EQ(Progress(window), 0);
        EXPECT_EQ(WindowRect(window).bottom - WindowRect(window).top, 128);
    }
    // Longer than the whole scan would have taken: still nothing sent, and still idle.
    ::Sleep(5000);
    EXPECT_EQ(DocumentsReceived(), before);
    EXPECT_TRUE(OptionsEnabled(window));
    EXPECT_EQ(Progress(window), 0);

    // The program is ready for the next scan, which runs to its end and is posted.
    PressScanButton(window);
    int highestProgress = 0;
    EXPECT_TRUE(AwaitIdle(window, before + 1, highestProgress));
    EXPECT_EQ(DocumentsReceived(), before + 1);  // only this scan's document, none of the stopped ones
    EXPECT_LE(highestProgress, 100);
}

}  // namespace

// Scans driven through IKVEngine: status sequences, progress, the document, overlapping scans
// and release during a scan. Shortcuts to this (versioned) program make the software items.
#include "engine_fixture.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

class EngineScan : public EngineTest {
protected:
    static void SetUpTestSuite() { CreateTestShortcuts(); }
    static void TearDownTestSuite() { RemoveTestShortcuts(); }
};

TEST_F(EngineScan, SoftwareScansShowTheirStatusAndDoubledProgress)
{
    struct Case {
        int type;
        bool showsRunning;
    } const cases[] = {{2, true}, {5, false}, {-1, false}};
    for (const Case& c : cases) {
        int status = -1, progress = -1;
        ASSERT_EQ(engine_->BeginScan(c.type), S_OK);
        engine_->GetScanStatus(&status);
        EXPECT_NE(status, 2) << c.type;
        bool sawRunning = false;
        EXPECT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs, &sawRunning), 2) << c.type;
        EXPECT_EQ(sawRunning, c.showsRunning) << c.type;
        engine_->GetScanProgress(&progress);
        EXPECT_EQ(progress % 2, 0) << c.type;
        EXPECT_GE(progress, 98) << c.type;
        EXPECT_LE(progress, 102) << c.type;
    }
}

TEST_F(EngineScan, ScanStringWithoutFullScanReturnsAtOnceWithEmptyData)
{
    DeleteFileA("C:\\ScanXML.xml");
    std::wstring email = L"user@example.com", password = L"secret";
    BSTR emailText = SysAllocString(email.c_str()), passwordText = SysAllocString(password.c_str());
    engine_->SetEmail(emailText);
    engine_->SetPassword(passwordText);
    SysFreeString(emailText);
    SysFreeString(passwordText);

    for (int type : {-2, 2}) {
        if (type != -2) {
            engine_->BeginScan(type);
            WaitForScanEnd(engine_, kScanEndBoundMs);
        }
        DWORD start = GetTickCount();
        std::string document = ScanString(engine_);
        EXPECT_LT(GetTickCount() - start, 2000u);
        EXPECT_EQ(DataElement(document), "<Data NumberOfDevices=\"5\">\r\n\r\n") << document;
        EXPECT_NE(document.find("<Email>user@example.com</Email>"), std::string::npos);
        EXPECT_NE(document.find("<Password>secret</Password>"), std::string::npos);

        std::ifstream copy("C:\\ScanXML.xml", std::ios::binary);
        std::stringstream written;
        written << copy.rdbuf();
        EXPECT_EQ(written.str(), document);
    }
}

TEST_F(EngineScan, CancelBeforeTheFirstEntryEndsTheScanEmpty)
{
    ASSERT_EQ(engine_->BeginScan(5), S_OK);
    engine_->CancelScan();
    EXPECT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs), 2);
    int progress = -1;
    engine_->GetScanProgress(&progress);
    EXPECT_LT(progress, 98);
}

TEST_F(EngineScan, SecondBeginScanReplacesTheRunningOne)
{
    ASSERT_EQ(engine_->BeginScan(2), S_OK);
    ASSERT_EQ(engine_->BeginScan(5), S_OK);
    bool sawRunning = false;
    EXPECT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs, &sawRunning), 2);
    EXPECT_FALSE(sawRunning);  // only the second scan's (type 5) status shows
    int progress = -1;
    engine_->GetScanProgress(&progress);
    EXPECT_GE(progress, 98);  // one pass's units, not two passes sharing the counter
    EXPECT_LE(progress, 102);
}

TEST_F(EngineScan, ReleaseDuringAScanStopsIt)
{
    ASSERT_EQ(engine_->BeginScan(5), S_OK);
    DWORD start = GetTickCount();
    engine_->Release();
    engine_ = nullptr;
    EXPECT_LT(GetTickCount() - start, 3500u);
    // The worker is gone with its object: nothing keeps the library loaded.
    EXPECT_EQ(library_.CanUnloadNow(), S_OK);
}

}  // namespace

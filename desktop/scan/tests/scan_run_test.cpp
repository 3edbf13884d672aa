// The scan run's threads with the real device and software passes, seen through a view that
// records what the monitor asks of the main window.
#include "scan_run.h"
#include "stored_identification.h"
#include "test_devices.h"

#include <gtest/gtest.h>

#include <initguid.h>
#include <devguid.h>

#include <mutex>
#include <vector>

namespace {

class RecordingView : public ScanRunView {
public:
    explicit RecordingView(ScanRun*& run) : run_(run) {}

    void ShowScanning() override { Record("scanning"); }
    void ShowProgress(int percent) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        highestProgress = std::max(highestProgress, percent);
        ++progressUpdates;
    }
    void ShowStopped() override { Record("stopped"); }
    void HandOverDocument() override
    {
        Record("document");
        std::lock_guard<std::mutex> lock(lock_);
        documents.push_back(run_->Document());
    }
    void ShowFinished() override { Record("finished"); }

    std::vector<std::string> Events()
    {
        std::lock_guard<std::mutex> lock(lock_);
        return events;
    }

    std::vector<std::string> documents;
    int highestProgress = -1;
    int progressUpdates = 0;

private:
    void Record(const char* event)
    {
        std::lock_guard<std::mutex> lock(lock_);
        events.push_back(event);
    }

    ScanRun*& run_;
    std::mutex lock_;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

class ScanRunTest : public ::testing::Test {
protected:
    // Waits (bounded) until the scan has ended and the monitor has reported its end.
    void AwaitEnd()
    {
        for (int i = 0; i < 600 && (run_.Running() || !Ended()); ++i)
            Sleep(100);
        run_.StopAndWait();
    }
    bool Ended()
    {
        Events events = view_.Events();
        return !events.empty() && (events.back() == "finished" || events.back() == "stopped");
    }

    ScanRun* self_ = &run_;
    RecordingView view_{self_};
    ScanRun run_{view_};
};

TEST_F(ScanRunTest, AFinishedScanHandsOverOneDocumentWithoutLevels)
{
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    ASSERT_TRUE(devices.Add("PCI\\VEN_8086&DEV_27C5&SUBSYS_01AD1028&REV_01", "5.1.2600.0"));
    for (int i = 0; i < 60; ++i)  // enough devices for the passes to earn progress units
        ASSERT_TRUE(devices.Add("PCI\\VEN_1234&DEV_" + std::to_string(1000 + i), "1.0"));

    run_.Start();
    EXPECT_TRUE(run_.Running());
    AwaitEnd();

    EXPECT_EQ(view_.Events(), (Events{"scanning", "document", "finished"}));
    ASSERT_EQ(view_.documents.size(), 1u);
    const std::string& document = view_.documents[0];
    EXPECT_NE(document.find("<Data NumberOfDevices=\"0\">"), std::string::npos);
    EXPECT_NE(document.find("HWIDHASH=\"7403206061709420101\" CURRENTVERSION=\"5.1.2600.0\" />"), std::string::npos);
    EXPECT_EQ(document.find("PLEVEL"), std::string::npos);
    EXPECT_EQ(run_.Document(), document);
    EXPECT_GT(view_.progressUpdates, 0);
    EXPECT_LE(view_.highestProgress, 100);
    EXPECT_FALSE(run_.Running());
}

TEST_F(ScanRunTest, OnlyARegisteredUsersIdentificationReachesTheDocument)
{
    struct Case {
        DWORD guestScan;
        const char* email;
        const char* password;
    } cases[] = {{1, "<Email>ann&co@example.com</Email>", "<Password>s3cret</Password>"},
                 {0, "<Email></Email>", "<Password></Password>"}};
    for (const Case& c : cases) {
        StoredIdentification stored(c.guestScan, "ann&co@example.com", "s3cret");
        size_t before = view_.documents.size();
        run_.Start();
        AwaitEnd();
        ASSERT_EQ(view_.documents.size(), before + 1);
        EXPECT_NE(view_.documents.back().find(c.email), std::string::npos) << c.guestScan;
        EXPECT_NE(view_.documents.back().find(c.password), std::string::npos) << c.guestScan;
    }
}

TEST_F(ScanRunTest, StopAtOnceEndsStoppedWithNothingHandedOver)
{
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    for (int i = 0; i < 80; ++i)  // two seconds of device pauses: the stop comes well before
        ASSERT_TRUE(devices.Add("PCI\\VEN_4321&DEV_" + std::to_string(1000 + i), "1.0"));

    DWORD started = GetTickCount();
    run_.Start();
    run_.Stop();
    EXPECT_FALSE(run_.Running());
    AwaitEnd();
    EXPECT_LT(GetTickCount() - started, 1500u);
    EXPECT_EQ(view_.Events(), (Events{"scanning", "stopped"}));
    EXPECT_TRUE(view_.documents.empty());

    // A start right after a stop runs one new scan to its end, not two on the same fields.
    run_.Start();
    run_.Stop();
    run_.Start();
    AwaitEnd();
    EXPECT_EQ(view_.Events(),
              (Events{"scanning", "stopped", "scanning", "stopped", "scanning", "document", "finished"}));
}

}  // namespace

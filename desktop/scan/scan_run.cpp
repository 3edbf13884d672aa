#include "scan_run.h"

#include "full_inventory.h"
#include "identification.h"
#include "message_wait.h"
#include "scan_document.h"
#include "worker_thread.h"

#include <algorithm>

namespace {

// A pass checks its stop flag before each device and each shortcut; a single platform call that
// does not come back within this time is not waited for any longer.
constexpr DWORD kWorkerStopTimeoutMs = 10000;
// Between two progress updates: the monitor leaves the processor to the worker meanwhile.
constexpr DWORD kProgressPollMs = 15;

}  // namespace

ScanRun::~ScanRun()
{
    StopAndWait();
}

void ScanRun::Start()
{
    AwaitThreads();
    // The new scan's state is set here, on the window's thread, before either thread runs: a stop
    // pressed at once is not lost, and the monitor never reads the status of an earlier scan.
    progress_ = 0;
    status_ = 1;
    passesStop_ = 0;
    cancelRequest_ = 0;
    running_ = 1;
    worker_ = StartWorkerThread(ScanWorkerThread, this);
    if (worker_)
        monitor_ = StartWorkerThread(ScanMonitorThread, this);
    if (!monitor_) {
        passesStop_ = 1;
        AwaitThreads();
        running_ = 0;
    }
}

void ScanRun::Stop()
{
    if (!running_)
        return;
    passesStop_ = 1;
    cancelRequest_ = 1;
    running_ = 0;
}

void ScanRun::StopAndWait()
{
    Stop();
    AwaitThreads();
}

void ScanRun::AwaitThreads()
{
    if (monitor_) {
        HANDLE monitor = monitor_.Get();
        WaitHandlingSentMessages(&monitor, 1, INFINITE);
        monitor_.Reset();
    }
    worker_.Reset();
}

std::string ScanRun::Document() const
{
    std::lock_guard<std::mutex> lock(documentLock_);
    return document_;
}

void ScanRun::SetDocument(std::string text)
{
    std::lock_guard<std::mutex> lock(documentLock_);
    document_.swap(text);
}

unsigned __stdcall ScanRun::ScanWorkerThread(void* run)
{
    static_cast<ScanRun*>(run)->Work();
    return 1;
}

unsigned __stdcall ScanRun::ScanMonitorThread(void* run)
{
    static_cast<ScanRun*>(run)->Monitor();
    return 0;
}

void ScanRun::Work()
{
    SetDocument(FullInventory(progress_, passesStop_, kDesktopFlavour));
    status_ = 2;
}

void ScanRun::Monitor()
{
    ScanDocument builder(kDesktopFlavour);
    view_.ShowScanning();
    Identification identification = ReadIdentification();
    if (identification.guestScan != 0) {
        builder.email = identification.email;
        builder.password = identification.password;
    }
    while (status_ != 2 && !cancelRequest_) {
        view_.ShowProgress(std::min<int32_t>(std::max<int32_t>(progress_, 0), 100));
        Sleep(kProgressPollMs);
    }
    if (cancelRequest_) {
        // The passes stop at their next device or shortcut; whatever they found is discarded.
        if (WaitForSingleObject(worker_.Get(), kWorkerStopTimeoutMs) == WAIT_TIMEOUT)
            TerminateThread(worker_.Get(), 0);
        cancelRequest_ = 0;
        running_ = 0;
        view_.ShowStopped();
        return;
    }
    SetDocument(builder.BuildDocument(Document(), 0));
    view_.HandOverDocument();
    view_.ShowFinished();
    running_ = 0;
}

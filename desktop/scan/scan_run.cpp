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
    m_progress = 0;
    m_status = 1;
    m_passesStop = 0;
    m_cancelRequest = 0;
    m_running = 1;
    m_worker = StartWorkerThread(ScanWorkerThread, this);
    if (m_worker)
        m_monitor = StartWorkerThread(ScanMonitorThread, this);
    if (!m_monitor) {
        m_passesStop = 1;
        AwaitThreads();
        m_running = 0;
    }
}

void ScanRun::Stop()
{
    if (!m_running)
        return;
    m_passesStop = 1;
    m_cancelRequest = 1;
    m_running = 0;
}

void ScanRun::StopAndWait()
{
    Stop();
    AwaitThreads();
}

void ScanRun::AwaitThreads()
{
    if (m_monitor) {
        HANDLE monitor = m_monitor.Get();
        WaitHandlingSentMessages(&monitor, 1, INFINITE);
        m_monitor.Reset();
    }
    m_worker.Reset();
}

std::string ScanRun::Document() const
{
    std::lock_guard<std::mutex> lock(m_documentLock);
    return m_document;
}

void ScanRun::SetDocument(std::string text)
{
    std::lock_guard<std::mutex> lock(m_documentLock);
    m_document.swap(text);
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
    SetDocument(FullInventory(m_progress, m_passesStop, kDesktopFlavour));
    m_status = 2;
}

void ScanRun::Monitor()
{
    ScanDocument builder(kDesktopFlavour);
    m_view.ShowScanning();
    Identification identification = ReadIdentification();
    if (identification.guestScan != 0) {
        builder.email = identification.email;
        builder.password = identification.password;
    }
    while (m_status != 2 && !m_cancelRequest) {
        m_view.ShowProgress(std::min<int32_t>(std::max<int32_t>(m_progress, 0), 100));
        Sleep(kProgressPollMs);
    }
    if (m_cancelRequest) {
        // The passes stop at their next device or shortcut; whatever they found is discarded.
        if (WaitForSingleObject(m_worker.Get(), kWorkerStopTimeoutMs) == WAIT_TIMEOUT)
            TerminateThread(m_worker.Get(), 0);
        m_cancelRequest = 0;
        m_running = 0;
        m_view.ShowStopped();
        return;
    }
    SetDocument(builder.BuildDocument(Document(), 0));
    m_view.HandOverDocument();
    m_view.ShowFinished();
    m_running = 0;
}

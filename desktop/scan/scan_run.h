#pragma once
// The desktop program's scan: a worker thread runs the device pass and then the software pass;
// a monitor thread shows the progress, reads the user's identification, waits for the worker and
// then hands the finished scan document to the main window, or shows the stopped state.
#include "unique_handle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// What the monitor asks of the main window. Every call comes from the monitor thread and must
// reach the window through synchronous messages, so the window's thread keeps handling them.
class ScanRunView {
public:
    virtual ~ScanRunView() = default;
    // The stop images on the scan button, the options button disabled, progress range 0 to 100.
    virtual void ShowScanning() = 0;
    virtual void ShowProgress(int percent) = 0;
    // The start images, progress 0, the options button enabled.
    virtual void ShowStopped() = 0;
    // The document is ready (ScanRun::Document); returns once the window has handled it.
    virtual void HandOverDocument() = 0;
    // The start images, the options button enabled.
    virtual void ShowFinished() = 0;
};

class ScanRun {
public:
    explicit ScanRun(ScanRunView& view) : m_view(view) {}
    // Stops a running scan and waits for its threads.
    ~ScanRun();
    ScanRun(const ScanRun&) = delete;
    ScanRun& operator=(const ScanRun&) = delete;

    // True from Start until the scan has finished or was asked to stop.
    bool Running() const { return m_running != 0; }
    // Starts a scan; the threads of an earlier, stopping scan are awaited first.
    void Start();
    // Asks the running scan to stop and returns at once; the monitor shows the stopped state.
    void Stop();
    // Stops a running scan and waits until its threads have ended, handling the messages they
    // send to this thread's windows meanwhile.
    void StopAndWait();

    // The last finished scan's document, or the inventory text while the scan is being wrapped.
    std::string Document() const;

private:
    static unsigned __stdcall ScanWorkerThread(void* run);
    static unsigned __stdcall ScanMonitorThread(void* run);
    void Work();
    void Monitor();
    void AwaitThreads();
    void SetDocument(std::string text);

    ScanRunView& m_view;
    std::atomic<int32_t> m_progress{0};
    std::atomic<int32_t> m_status{0};      // 1 scanning, 2 finished
    std::atomic<uint8_t> m_passesStop{0};  // the passes' own stop flag
    std::atomic<int32_t> m_cancelRequest{0};
    std::atomic<int32_t> m_running{0};
    UniqueKernelHandle m_worker;
    UniqueKernelHandle m_monitor;
    mutable std::mutex m_documentLock;
    std::string m_document;
};

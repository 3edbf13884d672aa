// A static control that shows a picture and plays an animated GIF on a thread of its own. The
// GIF is split into frames here; each frame becomes a small GIF stream of its own that the
// system picture loader decodes once, at load time.
#pragma once

#include "com_ptr.h"
#include "controls.h"
#include "critical_section.h"
#include "gif_stream.h"
#include "memory_dc.h"
#include "self_painted.h"
#include "unique_handle.h"

#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <vector>

struct GifFrame {
    ComPtr<IPicture> picture;
    GifFrameInfo info;  // position, size, delay, disposal
};

class CAnimatedPicture : public CSelfPainted<CAnimatedPicture, CStatic> {
    using Base = CSelfPainted<CAnimatedPicture, CStatic>;
    friend Base;

public:
    CAnimatedPicture();
    ~CAnimatedPicture() override;

    // A resource of the program's own module, e.g. (MAKEINTRESOURCEA(156), "GIF").
    BOOL LoadFromResource(LPCSTR name, LPCSTR type);
    // Loads the picture in `data` (the caller keeps it): an animated GIF, or as a still anything
    // the system picture loader reads. Resizes the window to the picture, keeping its position.
    BOOL Load(HGLOBAL data, DWORD size);
    // Fills the canvas with `colour` (shown at the next painting); FALSE when nothing is loaded.
    BOOL SetBackground(COLORREF colour);
    void StartAnimation();
    // Stops the animation thread, waiting for it at most 5 s. A thread that has not ended by then
    // keeps its handle and everything it draws with; the next stop or unload tries again.
    void StopAnimation();
    void UnloadPicture();

    // An animation, named as SetAccessibleName says, and animated while its thread runs.
    bool GetAccessibleFacts(AccessibleFacts& facts) const override;

    size_t FrameCount() const { return m_frames.size(); }
    size_t CurrentFrame() const { return m_currentFrame; }
    bool HasAnimationThread() const { return static_cast<bool>(m_thread); }

    BEGIN_MSG_MAP(CAnimatedPicture, Base)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

private:
    static unsigned __stdcall AnimationThread(void* parameter);
    void Animate();
    bool LoadStill(HGLOBAL data, DWORD size, bool sizeFromPicture);
    bool LoadFrames(const uint8_t* bytes, size_t size, const GifHeader& header);
    bool PrepareCanvas();
    void ReleasePicture();
    bool Render(IPicture* picture, int left, int top, int width, int height);
    void FillCanvas(const RECT& rect, COLORREF colour);
    bool DrawFrame(const GifFrameInfo& ending, bool startOver, const GifFrame& frame);
    void SaveArea(const GifFrameInfo& frame);
    void ApplyDisposal(const GifFrameInfo& frame);
    // Once a picture is loaded: its canvas, which the animation thread draws.
    bool PaintsItself() const { return m_ready != FALSE; }
    void PaintClient(HDC dc);
    void ForgetEndedThread();

    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);

    int m_width = 0;
    int m_height = 0;
    COLORREF m_background = RGB(255, 255, 255);
    std::atomic<size_t> m_currentFrame{0};
    BOOL m_isGif = FALSE;
    std::atomic<bool> m_stopRequested{false};
    BOOL m_ready = FALSE;
    // Drawn by the animation thread and copied out by painting on the window's thread: each
    // holds the lock for a whole frame's drawing or a whole copy.
    CriticalSection m_canvasLock;
    MemoryDC m_canvas;
    MemoryDC m_saved;  // the area under a frame that the next one restores
    UniqueKernelHandle m_thread;
    UniqueKernelHandle m_stopEvent;
    ComPtr<IPicture> m_still;
    std::vector<GifFrame> m_frames;
};

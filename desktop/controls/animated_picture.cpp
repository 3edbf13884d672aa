#include "animated_picture.h"

#include "win_app.h"
#include "window_dc.h"
#include "worker_thread.h"

#include <cstring>
#include <utility>

namespace {

const DWORD kStopWaitMs = 5000;

// Decodes a picture from a stream over `data`; the stream frees the memory when `ownData`.
ComPtr<IPicture> DecodePicture(HGLOBAL data, DWORD size, BOOL ownData)
{
    ComPtr<IStream> stream;
    ComPtr<IPicture> picture;
    if (FAILED(::CreateStreamOnHGlobal(data, ownData, stream.Receive()))) {
        if (ownData) {
            ::GlobalFree(data);
        }
        return picture;
    }
    if (FAILED(::OleLoadPicture(stream.Get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                                picture.ReceiveAs(IID_IPicture)))) {
        // What a failed load leaves there is no reference of ours.
        picture.Detach();
    }
    return picture;
}

}  // namespace

CAnimatedPicture::CAnimatedPicture() : m_stopEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CAnimatedPicture::~CAnimatedPicture()
{
    UnloadPicture();
    if (m_thread) {
        // The thread still uses this object: it has been asked to stop, so wait for it to go.
        ::WaitForSingleObject(m_thread.Get(), INFINITE);
        m_thread.Reset();
        UnloadPicture();
    }
}

BOOL CAnimatedPicture::LoadFromResource(LPCSTR name, LPCSTR type)
{
    HINSTANCE instance = ResourceInstance();
    HRSRC found = ::FindResourceA(instance, name, type);
    HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    DWORD size = found ? ::SizeofResource(instance, found) : 0;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) {
        return FALSE;
    }
    HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, size);
    void* target = copy ? ::GlobalLock(copy) : nullptr;
    if (!target) {
        if (copy)
            ::GlobalFree(copy);
        return FALSE;
    }
    std::memcpy(target, bytes, size);
    ::GlobalUnlock(copy);
    BOOL loadedPicture = Load(copy, size);
    ::GlobalFree(copy);
    return loadedPicture;
}

BOOL CAnimatedPicture::Load(HGLOBAL data, DWORD size)
{
    UnloadPicture();
    if (m_thread) {
        return FALSE;  // the old animation still runs on what it would release
    }
    const auto* bytes = static_cast<const uint8_t*>(::GlobalLock(data));
    if (!bytes) {
        return FALSE;
    }
    size_t available = ::GlobalSize(data);
    size_t length = size < available ? size : available;
    bool loaded = false;
    GifHeader header;
    if (!IsGifData(bytes, length)) {
        ::GlobalUnlock(data);
        loaded = LoadStill(data, static_cast<DWORD>(length), true);
    } else if (ReadGifHeader(bytes, length, header)) {
        m_isGif = TRUE;
        m_width = header.width;
        m_height = header.height;
        size_t frames = CountGifFrames(bytes, length, header);
        if (frames == 1) {
            ::GlobalUnlock(data);
            loaded = LoadStill(data, static_cast<DWORD>(length), false);
        } else {
            loaded = frames > 1 && LoadFrames(bytes, length, header);
            ::GlobalUnlock(data);
        }
    } else {
        ::GlobalUnlock(data);
    }
    if (!loaded || !PrepareCanvas()) {
        ReleasePicture();
        return FALSE;
    }
    return TRUE;
}

bool CAnimatedPicture::LoadStill(HGLOBAL data, DWORD size, bool sizeFromPicture)
{
    m_still = DecodePicture(data, size, FALSE);
    if (!m_still) {
        return false;
    }
    if (sizeFromPicture) {
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        m_still->get_Width(&width);
        m_still->get_Height(&height);
        WindowDC dc(m_hWnd);
        m_width = ::MulDiv(width, ::GetDeviceCaps(dc.Get(), LOGPIXELSX), 2540);
        m_height = ::MulDiv(height, ::GetDeviceCaps(dc.Get(), LOGPIXELSY), 2540);
    }
    return true;
}

bool CAnimatedPicture::LoadFrames(const uint8_t* bytes, size_t size, const GifHeader& header)
{
    size_t offset = header.firstBlock;
    GifFrameInfo info;
    while (NextGifFrame(bytes, size, offset, info)) {
        std::vector<uint8_t> stream = BuildFrameStream(bytes, header, info);
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, stream.size());
        void* target = memory ? ::GlobalLock(memory) : nullptr;
        if (!target) {
            if (memory)
                ::GlobalFree(memory);
            break;
        }
        std::memcpy(target, stream.data(), stream.size());
        ::GlobalUnlock(memory);
        ComPtr<IPicture> picture = DecodePicture(memory, static_cast<DWORD>(stream.size()), TRUE);
        if (picture) {
            m_frames.push_back(GifFrame{std::move(picture), info});
        }
    }
    return !m_frames.empty();
}

bool CAnimatedPicture::PrepareCanvas()
{
    if (m_hWnd) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_width, m_height, SWP_NOMOVE | SWP_NOZORDER);
    }
    WindowDC windowDC(m_hWnd);
    if (!windowDC) {
        return false;
    }
    m_canvas = MemoryDC(windowDC.Get(), m_width, m_height);
    if (!m_canvas) {
        return false;
    }
    m_background = ::GetSysColor(COLOR_BTNFACE);
    RECT all = {0, 0, m_width, m_height};
    ::FillRect(m_canvas.Get(), &all, ::GetSysColorBrush(COLOR_MENU));
    m_ready = TRUE;
    return true;
}

bool CAnimatedPicture::GetAccessibleFacts(AccessibleFacts& facts) const
{
    CStatic::GetAccessibleFacts(facts);
    facts.role = ROLE_SYSTEM_ANIMATION;
    facts.states = m_thread ? STATE_SYSTEM_ANIMATED : 0;
    return true;
}

BOOL CAnimatedPicture::SetBackground(COLORREF colour)
{
    if (!m_ready) {
        return FALSE;
    }
    m_background = colour;
    RECT all = {0, 0, m_width, m_height};
    ScopedLock hold(m_canvasLock);
    FillCanvas(all, colour);
    return TRUE;
}

void CAnimatedPicture::FillCanvas(const RECT& rect, COLORREF colour)
{
    UniqueGdiObject<HBRUSH> brush(::CreateSolidBrush(colour));
    ::FillRect(m_canvas.Get(), &rect, brush.Get());
}

bool CAnimatedPicture::Render(IPicture* picture, int left, int top, int width, int height)
{
    OLE_XSIZE_HIMETRIC pictureWidth = 0;
    OLE_YSIZE_HIMETRIC pictureHeight = 0;
    picture->get_Width(&pictureWidth);
    picture->get_Height(&pictureHeight);
    // The source rectangle runs upwards in HIMETRIC: start at the bottom to draw upright.
    return SUCCEEDED(picture->Render(m_canvas.Get(), left, top, width, height, 0, pictureHeight, pictureWidth,
                                     -pictureHeight, nullptr));
}

void CAnimatedPicture::ForgetEndedThread()
{
    m_thread.Reset();
    ::ResetEvent(m_stopEvent.Get());
    m_stopRequested = false;
}

void CAnimatedPicture::StartAnimation()
{
    if (!m_ready) {
        return;
    }
    if (m_isGif && m_frames.size() > 1) {
        if (m_thread) {
            if (::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT) {
                return;
            }
            ForgetEndedThread();
        }
        m_thread = StartWorkerThread(&CAnimatedPicture::AnimationThread, this, CREATE_SUSPENDED);
        if (m_thread) {
            ::ResumeThread(m_thread.Get());
        }
    } else if (m_still && Render(m_still.Get(), 0, 0, m_width, m_height) && m_hWnd) {
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

void CAnimatedPicture::StopAnimation()
{
    m_stopRequested = true;
    ::SetEvent(m_stopEvent.Get());
    if (m_thread && ::WaitForSingleObject(m_thread.Get(), kStopWaitMs) != WAIT_OBJECT_0) {
        return;  // keep the stop request standing until the thread has gone
    }
    ForgetEndedThread();
}

void CAnimatedPicture::UnloadPicture()
{
    StopAnimation();
    if (m_thread) {
        return;  // the thread may still draw with the frames and the canvas
    }
    ReleasePicture();
}

void CAnimatedPicture::ReleasePicture()
{
    m_still.Reset();
    m_frames.clear();
    m_saved.Reset();
    m_canvas.Reset();
    m_width = m_height = 0;
    m_background = RGB(255, 255, 255);
    m_currentFrame = 0;
    m_isGif = FALSE;
    m_ready = FALSE;
}

void CAnimatedPicture::SaveArea(const GifFrameInfo& frame)
{
    m_saved = MemoryDC(m_canvas.Get(), frame.width, frame.height);
    if (m_saved) {
        ::BitBlt(m_saved.Get(), 0, 0, frame.width, frame.height, m_canvas.Get(), frame.left, frame.top, SRCCOPY);
    }
}

void CAnimatedPicture::ApplyDisposal(const GifFrameInfo& frame)
{
    if (frame.disposal == 2) {
        RECT rect = {frame.left, frame.top, frame.left + frame.width, frame.top + frame.height};
        FillCanvas(rect, m_background);
    } else if (frame.disposal == 3 && m_saved) {
        ::BitBlt(m_canvas.Get(), frame.left, frame.top, frame.width, frame.height, m_saved.Get(), 0, 0, SRCCOPY);
        m_saved.Reset();
    }
}

unsigned __stdcall CAnimatedPicture::AnimationThread(void* parameter)
{
    static_cast<CAnimatedPicture*>(parameter)->Animate();
    return 0;
}

void CAnimatedPicture::Animate()
{
    // A restarted animation first clears the frame on which it stopped.
    const GifFrameInfo* ending = &m_frames[m_currentFrame].info;
    bool startOver = false;
    // Once past a stop check the next frame is drawn whole: a stopped animation always shows its
    // current frame, which the next start clears.
    for (;;) {
        const GifFrame& frame = m_frames[m_currentFrame];
        if (DrawFrame(*ending, startOver, frame)) {
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        if (m_stopRequested) {
            break;
        }
        ::WaitForSingleObject(m_stopEvent.Get(), FrameWaitMilliseconds(frame.info));
        if (m_stopRequested) {
            break;
        }
        ending = &frame.info;
        startOver = m_currentFrame + 1 == m_frames.size();
        m_currentFrame = startOver ? 0 : m_currentFrame + 1;
    }
}

// One frame's drawing: the disposal of the frame before, the whole canvas cleared when the
// animation starts over, then the frame. No painting shows it half done.
bool CAnimatedPicture::DrawFrame(const GifFrameInfo& ending, bool startOver, const GifFrame& frame)
{
    ScopedLock hold(m_canvasLock);
    ApplyDisposal(ending);
    if (startOver) {
        RECT all = {0, 0, m_width, m_height};
        FillCanvas(all, m_background);
    }
    if (frame.info.disposal == 3) {
        SaveArea(frame.info);
    }
    return Render(frame.picture.Get(), frame.info.left, frame.info.top, frame.info.width, frame.info.height);
}

void CAnimatedPicture::PaintClient(HDC dc)
{
    ScopedLock hold(m_canvasLock);
    ::BitBlt(dc, 0, 0, m_width, m_height, m_canvas.Get(), 0, 0, SRCCOPY);
}

LRESULT CAnimatedPicture::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    StopAnimation();
    return DefaultProc(message, wParam, lParam);
}

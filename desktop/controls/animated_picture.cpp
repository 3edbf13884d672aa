#include "animated_picture.h"

#include "win_app.h"
#include "worker_thread.h"

#include <cstring>

namespace {

const DWORD kStopWaitMs = 5000;

// Decodes a picture from a stream over `data`; the stream frees the memory when `ownData`.
IPicture* DecodePicture(HGLOBAL data, DWORD size, BOOL ownData)
{
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(data, ownData, &stream))) {
        if (ownData) {
            ::GlobalFree(data);
        }
        return nullptr;
    }
    IPicture* picture = nullptr;
    if (FAILED(::OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&picture)))) {
        picture = nullptr;
    }
    stream->Release();
    return picture;
}

}  // namespace

CAnimatedPicture::CAnimatedPicture() : m_stopEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CAnimatedPicture::~CAnimatedPicture()
{
    UnloadPicture();
    if (m_thread) {
        // The thread still uses this object: it has been asked to stop, so wait for it to go.
        ::WaitForSingleObject(m_thread, INFINITE);
        ::CloseHandle(m_thread);
        m_thread = nullptr;
        UnloadPicture();
    }
    if (m_stopEvent) {
        ::CloseHandle(m_stopEvent);
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
        HDC dc = ::GetDC(m_hWnd);
        m_width = ::MulDiv(width, ::GetDeviceCaps(dc, LOGPIXELSX), 2540);
        m_height = ::MulDiv(height, ::GetDeviceCaps(dc, LOGPIXELSY), 2540);
        ::ReleaseDC(m_hWnd, dc);
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
        IPicture* picture = DecodePicture(memory, static_cast<DWORD>(stream.size()), TRUE);
        if (picture) {
            m_frames.push_back(GifFrame{picture, info});
        }
    }
    return !m_frames.empty();
}

bool CAnimatedPicture::PrepareCanvas()
{
    if (m_hWnd) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_width, m_height, SWP_NOMOVE | SWP_NOZORDER);
    }
    HDC windowDC = ::GetDC(m_hWnd);
    if (!windowDC) {
        return false;
    }
    m_canvas = ::CreateCompatibleDC(windowDC);
    m_canvasBitmap = m_canvas ? ::CreateCompatibleBitmap(windowDC, m_width, m_height) : nullptr;
    ::ReleaseDC(m_hWnd, windowDC);
    if (!m_canvasBitmap) {
        return false;
    }
    m_canvasPrevious = ::SelectObject(m_canvas, m_canvasBitmap);
    m_background = ::GetSysColor(COLOR_BTNFACE);
    RECT all = {0, 0, m_width, m_height};
    ::FillRect(m_canvas, &all, ::GetSysColorBrush(COLOR_MENU));
    m_ready = TRUE;
    return true;
}

BOOL CAnimatedPicture::SetBackground(COLORREF colour)
{
    if (!m_ready) {
        return FALSE;
    }
    m_background = colour;
    RECT all = {0, 0, m_width, m_height};
    FillCanvas(all, colour);
    return TRUE;
}

void CAnimatedPicture::FillCanvas(const RECT& rect, COLORREF colour)
{
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(m_canvas, &rect, brush);
    ::DeleteObject(brush);
}

bool CAnimatedPicture::Render(IPicture* picture, int left, int top, int width, int height)
{
    OLE_XSIZE_HIMETRIC pictureWidth = 0;
    OLE_YSIZE_HIMETRIC pictureHeight = 0;
    picture->get_Width(&pictureWidth);
    picture->get_Height(&pictureHeight);
    // The source rectangle runs upwards in HIMETRIC: start at the bottom to draw upright.
    return SUCCEEDED(
        picture->Render(m_canvas, left, top, width, height, 0, pictureHeight, pictureWidth, -pictureHeight, nullptr));
}

void CAnimatedPicture::ForgetEndedThread()
{
    ::CloseHandle(m_thread);
    m_thread = nullptr;
    ::ResetEvent(m_stopEvent);
    m_stopRequested = false;
}

void CAnimatedPicture::StartAnimation()
{
    if (!m_ready) {
        return;
    }
    if (m_isGif && m_frames.size() > 1) {
        if (m_thread) {
            if (::WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT) {
                return;
            }
            ForgetEndedThread();
        }
        m_thread = StartWorkerThread(&CAnimatedPicture::AnimationThread, this, CREATE_SUSPENDED);
        if (m_thread) {
            ::ResumeThread(m_thread);
        }
    } else if (m_still && Render(m_still, 0, 0, m_width, m_height) && m_hWnd) {
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

void CAnimatedPicture::StopAnimation()
{
    m_stopRequested = true;
    ::SetEvent(m_stopEvent);
    if (m_thread) {
        if (::WaitForSingleObject(m_thread, kStopWaitMs) != WAIT_OBJECT_0) {
            return;  // keep the stop request standing until the thread has gone
        }
        ::CloseHandle(m_thread);
        m_thread = nullptr;
    }
    ::ResetEvent(m_stopEvent);
    m_stopRequested = false;
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
    if (m_still) {
        m_still->Release();
        m_still = nullptr;
    }
    for (GifFrame& frame : m_frames) {
        frame.picture->Release();
    }
    m_frames.clear();
    DeleteSavedArea();
    if (m_canvas) {
        if (m_canvasPrevious)
            ::SelectObject(m_canvas, m_canvasPrevious);
        ::DeleteDC(m_canvas);
    }
    if (m_canvasBitmap)
        ::DeleteObject(m_canvasBitmap);
    m_canvas = nullptr;
    m_canvasBitmap = nullptr;
    m_canvasPrevious = nullptr;
    m_width = m_height = 0;
    m_background = RGB(255, 255, 255);
    m_currentFrame = 0;
    m_isGif = FALSE;
    m_ready = FALSE;
}

void CAnimatedPicture::SaveArea(const GifFrameInfo& frame)
{
    DeleteSavedArea();
    m_saved = ::CreateCompatibleDC(m_canvas);
    m_savedBitmap = m_saved ? ::CreateCompatibleBitmap(m_canvas, frame.width, frame.height) : nullptr;
    if (!m_savedBitmap) {
        DeleteSavedArea();
        return;
    }
    m_savedPrevious = ::SelectObject(m_saved, m_savedBitmap);
    ::BitBlt(m_saved, 0, 0, frame.width, frame.height, m_canvas, frame.left, frame.top, SRCCOPY);
}

void CAnimatedPicture::DeleteSavedArea()
{
    if (m_saved) {
        if (m_savedPrevious)
            ::SelectObject(m_saved, m_savedPrevious);
        ::DeleteDC(m_saved);
    }
    if (m_savedBitmap)
        ::DeleteObject(m_savedBitmap);
    m_saved = nullptr;
    m_savedBitmap = nullptr;
    m_savedPrevious = nullptr;
}

void CAnimatedPicture::ApplyDisposal(const GifFrameInfo& frame)
{
    if (frame.disposal == 2) {
        RECT rect = {frame.left, frame.top, frame.left + frame.width, frame.top + frame.height};
        FillCanvas(rect, m_background);
    } else if (frame.disposal == 3 && m_saved) {
        ::BitBlt(m_canvas, frame.left, frame.top, frame.width, frame.height, m_saved, 0, 0, SRCCOPY);
        DeleteSavedArea();
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
    ApplyDisposal(m_frames[m_currentFrame].info);
    while (!m_stopRequested) {
        const GifFrame& frame = m_frames[m_currentFrame];
        if (frame.info.disposal == 3) {
            SaveArea(frame.info);
        }
        if (Render(frame.picture, frame.info.left, frame.info.top, frame.info.width, frame.info.height)) {
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        if (m_stopRequested) {
            break;
        }
        ::WaitForSingleObject(m_stopEvent, FrameWaitMilliseconds(frame.info));
        if (m_stopRequested) {
            break;
        }
        ApplyDisposal(frame.info);
        if (m_currentFrame + 1 < m_frames.size()) {
            ++m_currentFrame;
        } else {
            m_currentFrame = 0;
            RECT all = {0, 0, m_width, m_height};
            FillCanvas(all, m_background);
        }
    }
}

LRESULT CAnimatedPicture::OnPaint(UINT, WPARAM, LPARAM, BOOL& handled)
{
    if (!m_ready) {
        handled = FALSE;
        return 0;
    }
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    if (dc) {
        ::BitBlt(dc, 0, 0, m_width, m_height, m_canvas, 0, 0, SRCCOPY);
    }
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CAnimatedPicture::OnPrintClient(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    if (!m_ready) {
        handled = FALSE;
        return 0;
    }
    ::BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, m_width, m_height, m_canvas, 0, 0, SRCCOPY);
    return 0;
}

LRESULT CAnimatedPicture::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    StopAnimation();
    return DefaultProc(message, wParam, lParam);
}

#include "wnd.h"

#include <vector>

namespace {

// The window property that links a window to its object.
const char kObjectProperty[] = "KorvalaWindowObject";

// Tells the window's thread that RunOnOwnThread's work waits for it.
UINT RunOnOwnThreadMessage()
{
    static const UINT message = ::RegisterWindowMessageA("KorvalaRunOnOwnThread");
    return message;
}

HWND ReflectionTarget(UINT message, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        return reinterpret_cast<HWND>(lParam);
    }
    return nullptr;
}

}  // namespace

CWnd::~CWnd()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        UnsubclassWindow();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND window)
{
    return window ? static_cast<CWnd*>(::GetPropA(window, kObjectProperty)) : nullptr;
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (m_hWnd || !::IsWindow(window) || FromHandlePermanent(window)) {
        return FALSE;
    }
    m_hWnd = window;
    PreSubclassWindow();
    ::SetPropA(window, kObjectProperty, this);
    m_oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(int id, HWND parent)
{
    return SubclassWindow(::GetDlgItem(parent, id));
}

HWND CWnd::UnsubclassWindow()
{
    HWND window = m_hWnd;
    if (!window) {
        return nullptr;
    }
    if (::GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)) {
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
    }
    ::RemovePropA(window, kObjectProperty);
    if (m_accessible) {
        // Readers that still hold the object learn that it has gone.
        m_accessible->Detach();
        ::CoDisconnectObject(static_cast<IAccessible*>(m_accessible.Get()), 0);
        m_accessible.Reset();
    }
    m_oldProc = nullptr;
    m_hWnd = nullptr;
    return window;
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg)
{
    for (HWND window = msg->hwnd; window; window = ::GetParent(window)) {
        CWnd* object = FromHandlePermanent(window);
        if (object && object->PreTranslateMessage(msg)) {
            return TRUE;
        }
        if (window == stop) {
            break;
        }
    }
    return FALSE;
}

LRESULT CWnd::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_oldProc) {
        return ::CallWindowProcA(m_oldProc, m_hWnd, message, wParam, lParam);
    }
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Send(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::Post(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::ModifyStyle(DWORD remove, DWORD add) const
{
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>((GetStyle() & ~remove) | add));
}

std::string CWnd::GetText() const
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0) {
        return std::string();
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int copied = ::GetWindowTextA(m_hWnd, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

RECT CWnd::ClientRect() const
{
    RECT rect = {};
    ::GetClientRect(m_hWnd, &rect);
    return rect;
}

RECT CWnd::WindowRect() const
{
    RECT rect = {};
    ::GetWindowRect(m_hWnd, &rect);
    return rect;
}

BOOL CWnd::IsOwnedByCurrentThread() const
{
    return ::GetWindowThreadProcessId(m_hWnd, nullptr) == ::GetCurrentThreadId();
}

void CWnd::RunOnOwnThread(const std::function<void()>& work)
{
    if (m_hWnd && !IsOwnedByCurrentThread()) {
        // The work waits here, not in the message: a message can come from anywhere.
        std::lock_guard<std::mutex> lock(m_waitingWorkLock);
        m_waitingWork = &work;
        Send(RunOnOwnThreadMessage());
        m_waitingWork = nullptr;
        return;
    }
    work();
}

bool CWnd::GetAccessibleFacts(AccessibleFacts& facts) const
{
    facts.name = m_accessibleName;
    return !m_accessibleName.empty();
}

void CWnd::SetAccessibleName(const std::string& name)
{
    RunOnOwnThread([this, &name] {
        if (name == m_accessibleName) {
            return;
        }
        m_accessibleName = name;
        if (m_hWnd) {
            NotifyAccessible(EVENT_OBJECT_NAMECHANGE);
        }
    });
}

void CWnd::NotifyAccessible(DWORD event) const
{
    ::NotifyWinEvent(event, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

BOOL CWnd::AnswerAccessibleObject(WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    AccessibleFacts facts;
    // The object id travels in the low 32 bits.
    if (static_cast<LONG>(lParam) != OBJID_CLIENT || !GetAccessibleFacts(facts)) {
        return FALSE;
    }
    if (!m_accessible) {
        m_accessible = CAccessibleObject::Create(*this);
    }
    if (!m_accessible) {
        return FALSE;
    }
    result = ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(m_accessible.Get()));
    return TRUE;
}

LRESULT CALLBACK CWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* object = FromHandlePermanent(window);
    if (!object) {
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    LRESULT result = object->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY && object->m_hWnd == window) {
        object->UnsubclassWindow();
    }
    return result;
}

LRESULT CWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    const UINT runMessage = RunOnOwnThreadMessage();
    if (runMessage && message == runMessage) {
        if (const std::function<void()>* work = m_waitingWork.exchange(nullptr)) {
            (*work)();
        }
        return 0;
    }
    if (message == WM_GETOBJECT && AnswerAccessibleObject(wParam, lParam, result)) {
        return result;
    }
    if (ProcessWindowMessage(m_hWnd, message, wParam, lParam, result)) {
        return result;
    }
    if (ReflectToChild(message, wParam, lParam, result)) {
        return result;
    }
    return DefaultProc(message, wParam, lParam);
}

BOOL CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND child = ReflectionTarget(message, lParam);
    if (!child || !FromHandlePermanent(child)) {
        return FALSE;
    }
    // A control that does not handle the reflected message answers 0: default handling then.
    result = ::SendMessageA(child, OCM__BASE + message, wParam, lParam);
    return result != 0;
}

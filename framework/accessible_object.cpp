#include "accessible_object.h"

#include "wnd.h"

#include <utility>

namespace {

// `text` (system ANSI code page) as a new BSTR; null when it can't be allocated.
BSTR AnsiBstr(const std::string& text)
{
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    BSTR result = ::SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (result && length > 0) {
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, result, length);
    }
    return result;
}

HRESULT AnswerText(const std::string& text, BSTR* out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = AnsiBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

const InterfaceEntry<CAccessibleObject> CAccessibleObject::kInterfaces[] = {
    {&IID_IUnknown, InterfaceThrough<CAccessibleObject, IAccessible>},
    {&IID_IDispatch, InterfaceThrough<CAccessibleObject, IAccessible>},
    {&__uuidof(IAccessible), InterfaceThrough<CAccessibleObject, IAccessible>},
    {&IID_IOleWindow, InterfaceThrough<CAccessibleObject, IOleWindow>},
};

ComPtr<CAccessibleObject> CAccessibleObject::Create(CWnd& window)
{
    ComPtr<IAccessible> standard;
    if (FAILED(::CreateStdAccessibleObject(window.m_hWnd, OBJID_CLIENT, __uuidof(IAccessible),
                                           standard.ReceiveAs(__uuidof(IAccessible)))) ||
        !standard) {
        return ComPtr<CAccessibleObject>();
    }
    ComPtr<CAccessibleObject> object;
    object.Attach(new CAccessibleObject(window, window.m_hWnd, std::move(standard)));
    return object;
}

CAccessibleObject::CAccessibleObject(CWnd& window, HWND handle, ComPtr<IAccessible> standard)
    : m_window(&window), m_handle(handle), m_standard(std::move(standard))
{
}

void CAccessibleObject::Detach()
{
    m_window = nullptr;
    m_standard.Reset();
}

bool CAccessibleObject::FactsFor(const VARIANT& child, AccessibleFacts& facts) const
{
    return m_window && child.vt == VT_I4 && child.lVal == CHILDID_SELF && m_window->GetAccessibleFacts(facts);
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::QueryInterface(REFIID iid, void** object)
{
    return QueryInterfaceByTable(*this, kInterfaces, iid, object);
}

ULONG STDMETHODCALLTYPE CAccessibleObject::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

ULONG STDMETHODCALLTYPE CAccessibleObject::Release()
{
    LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::GetTypeInfoCount(UINT* count)
{
    return Standard([&](IAccessible* standard) { return standard->GetTypeInfoCount(count); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    return Standard([&](IAccessible* standard) { return standard->GetTypeInfo(index, locale, info); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                                           DISPID* ids)
{
    return Standard([&](IAccessible* standard) { return standard->GetIDsOfNames(iid, names, count, locale, ids); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                                    DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                                    UINT* argumentError)
{
    return Standard([&](IAccessible* standard) {
        return standard->Invoke(id, iid, locale, flags, parameters, result, exception, argumentError);
    });
}

template <typename Call>
HRESULT CAccessibleObject::TextFact(const VARIANT& child, std::string AccessibleFacts::*text, BSTR* out,
                                    Call call) const
{
    AccessibleFacts facts;
    if (FactsFor(child, facts) && !(facts.*text).empty()) {
        return AnswerText(facts.*text, out);
    }
    return Standard(call);
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accName(VARIANT child, BSTR* name)
{
    return TextFact(child, &AccessibleFacts::name, name,
                    [&](IAccessible* standard) { return standard->get_accName(child, name); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accRole(VARIANT child, VARIANT* role)
{
    AccessibleFacts facts;
    if (FactsFor(child, facts) && facts.role != 0) {
        if (!role) {
            return E_POINTER;
        }
        ::VariantInit(role);
        role->vt = VT_I4;
        role->lVal = facts.role;
        return S_OK;
    }
    return Standard([&](IAccessible* standard) { return standard->get_accRole(child, role); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accValue(VARIANT child, BSTR* value)
{
    return TextFact(child, &AccessibleFacts::value, value,
                    [&](IAccessible* standard) { return standard->get_accValue(child, value); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accState(VARIANT child, VARIANT* state)
{
    const HRESULT result = Standard([&](IAccessible* standard) { return standard->get_accState(child, state); });
    AccessibleFacts facts;
    if (FAILED(result) || !FactsFor(child, facts) || state->vt != VT_I4) {
        return result;
    }
    state->lVal |= facts.states;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accParent(IDispatch** parent)
{
    return Standard([&](IAccessible* standard) { return standard->get_accParent(parent); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accChildCount(long* count)
{
    return Standard([&](IAccessible* standard) { return standard->get_accChildCount(count); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accChild(VARIANT child, IDispatch** object)
{
    return Standard([&](IAccessible* standard) { return standard->get_accChild(child, object); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accDescription(VARIANT child, BSTR* description)
{
    return Standard([&](IAccessible* standard) { return standard->get_accDescription(child, description); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accHelp(VARIANT child, BSTR* help)
{
    return Standard([&](IAccessible* standard) { return standard->get_accHelp(child, help); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accHelpTopic(BSTR* file, VARIANT child, long* topic)
{
    return Standard([&](IAccessible* standard) { return standard->get_accHelpTopic(file, child, topic); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return Standard([&](IAccessible* standard) { return standard->get_accKeyboardShortcut(child, shortcut); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accFocus(VARIANT* focus)
{
    return Standard([&](IAccessible* standard) { return standard->get_accFocus(focus); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accSelection(VARIANT* selection)
{
    return Standard([&](IAccessible* standard) { return standard->get_accSelection(selection); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return Standard([&](IAccessible* standard) { return standard->get_accDefaultAction(child, action); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::accSelect(long flags, VARIANT child)
{
    return Standard([&](IAccessible* standard) { return standard->accSelect(flags, child); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::accLocation(long* left, long* top, long* width, long* height,
                                                         VARIANT child)
{
    return Standard([&](IAccessible* standard) { return standard->accLocation(left, top, width, height, child); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    return Standard([&](IAccessible* standard) { return standard->accNavigate(direction, start, end); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::accHitTest(long x, long y, VARIANT* child)
{
    return Standard([&](IAccessible* standard) { return standard->accHitTest(x, y, child); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::accDoDefaultAction(VARIANT child)
{
    return Standard([&](IAccessible* standard) { return standard->accDoDefaultAction(child); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::put_accName(VARIANT child, BSTR name)
{
    return Standard([&](IAccessible* standard) { return standard->put_accName(child, name); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::put_accValue(VARIANT child, BSTR value)
{
    return Standard([&](IAccessible* standard) { return standard->put_accValue(child, value); });
}

HRESULT STDMETHODCALLTYPE CAccessibleObject::GetWindow(HWND* window)
{
    if (!window) {
        return E_POINTER;
    }
    *window = m_handle;
    return S_OK;
}

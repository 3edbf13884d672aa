// The object a window hands to assistive technology (Microsoft Active Accessibility, which every
// Windows from XP on reads): the system's standard object of the window's client area
// (CreateStdAccessibleObject), with the name, role, value and state that the window's object
// tells (CWnd::GetAccessibleFacts). Windows whose words are pictures, or that draw themselves,
// say there what a screen reader must read; everything else (place, parent, navigation, focus)
// stays the standard object's. It reaches other processes through LresultFromObject.
//
// The interface identifier is __uuidof(IAccessible): MinGW's liboleacc.a names IID_IAccessible
// after oleacc.dll's export, and what it links is the import's code, not the identifier.
#pragma once

#include "com_ptr.h"
#include "interface_table.h"

#include <oleacc.h>

#include <string>

// What a window tells beyond its standard object; empty or zero fields leave the standard
// object's answer.
struct AccessibleFacts {
    std::string name;
    long role = 0;  // ROLE_SYSTEM_...
    std::string value;
    long states = 0;  // STATE_SYSTEM_... added to the standard object's
};

class CWnd;

class CAccessibleObject : public IAccessible, public IOleWindow {
public:
    // The object of `window`'s client area; empty when the system has no standard object for it.
    static ComPtr<CAccessibleObject> Create(CWnd& window);
    CAccessibleObject(const CAccessibleObject&) = delete;
    CAccessibleObject& operator=(const CAccessibleObject&) = delete;

    // The window object goes: every later call answers as a disconnected object.
    void Detach();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IAccessible: the name, role, value and state of the window itself are the facts'.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

    // IOleWindow: the window, for WindowFromAccessibleObject.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    CAccessibleObject(CWnd& window, HWND handle, ComPtr<IAccessible> standard);
    virtual ~CAccessibleObject() = default;

    static const InterfaceEntry<CAccessibleObject> kInterfaces[];

    // The call on the standard object, or RPC_E_DISCONNECTED once the window has gone.
    template <typename Call>
    HRESULT Standard(Call call) const
    {
        return m_standard ? call(m_standard.Get()) : RPC_E_DISCONNECTED;
    }
    // The window's facts, when the question is about the window itself and the window is there.
    bool FactsFor(const VARIANT& child, AccessibleFacts& facts) const;
    // The window's text fact (name, value) when it tells one, else the standard object's answer.
    template <typename Call>
    HRESULT TextFact(const VARIANT& child, std::string AccessibleFacts::*text, BSTR* out, Call call) const;

    LONG m_references = 1;
    CWnd* m_window;
    HWND m_handle;
    ComPtr<IAccessible> m_standard;
};

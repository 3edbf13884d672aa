#pragma once
// The interface table of a COM object, as ATL's COM map: one row per interface identifier that
// the object answers to, with the way from the object to that interface. The one table serves
// the object's QueryInterface and every question of which interfaces it has (IObjectSafety).
//
//   const InterfaceEntry<CSite> CSite::kInterfaces[] = {
//       {&IID_IUnknown, InterfaceThrough<CSite, IOleClientSite>},
//       {&IID_IOleClientSite, InterfaceThrough<CSite, IOleClientSite>},
//   };
#include <windows.h>
#include <unknwn.h>

#include <cstddef>

template <typename Object>
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*reach)(Object& object);
};

// The way to the interface of base `Via` of Object (the base through which an interface that
// several bases share, such as IUnknown or IDispatch, is reached).
template <typename Object, typename Via>
IUnknown* InterfaceThrough(Object& object)
{
    return static_cast<Via*>(&object);
}

// The row of `table` for `iid`, or null.
template <typename Object, std::size_t Count>
const InterfaceEntry<Object>* FindInterfaceEntry(const InterfaceEntry<Object> (&table)[Count], REFIID iid)
{
    for (const InterfaceEntry<Object>& entry : table) {
        if (IsEqualIID(iid, *entry.iid))
            return &entry;
    }
    return nullptr;
}

// Whether the object of `table` answers to `iid`.
template <typename Object, std::size_t Count>
bool TableAnswersTo(const InterfaceEntry<Object> (&table)[Count], REFIID iid)
{
    return FindInterfaceEntry(table, iid) != nullptr;
}

// QueryInterface by the table: the interface with a reference added, or E_NOINTERFACE.
template <typename Object, std::size_t Count>
HRESULT QueryInterfaceByTable(Object& object, const InterfaceEntry<Object> (&table)[Count], REFIID iid,
                              void** interfacePointer)
{
    if (!interfacePointer)
        return E_POINTER;
    const InterfaceEntry<Object>* entry = FindInterfaceEntry(table, iid);
    IUnknown* found = entry ? entry->reach(object) : nullptr;
    *interfacePointer = found;
    if (!found)
        return E_NOINTERFACE;
    found->AddRef();
    return S_OK;
}

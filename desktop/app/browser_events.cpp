// The control's DWebBrowserEvents2 calls, turned into the host's virtual methods, and the
// methods' default: a WM_NOTIFY to the parent window.
#include "browser_host.h"

#include "wide_text.h"

#include <exdispid.h>

#include <string>
#include <vector>

namespace {

// The event's argument at `index` in declaration order (DISPPARAMS holds them in reverse), with
// one level of VT_BYREF | VT_VARIANT followed; null when the event has fewer arguments.
const VARIANT* Argument(const DISPPARAMS& parameters, UINT index)
{
    if (index >= parameters.cArgs || !parameters.rgvarg) {
        return nullptr;
    }
    const VARIANT* argument = &parameters.rgvarg[parameters.cArgs - 1 - index];
    if (argument->vt == (VT_BYREF | VT_VARIANT)) {
        return argument->pvarVal;
    }
    return argument;
}

std::string TextArgument(const DISPPARAMS& parameters, UINT index)
{
    const VARIANT* argument = Argument(parameters, index);
    if (!argument || argument->vt != VT_BSTR || !argument->bstrVal) {
        return std::string();
    }
    return WideToAnsi(argument->bstrVal, ::SysStringLen(argument->bstrVal));
}

LONG NumberArgument(const DISPPARAMS& parameters, UINT index)
{
    const VARIANT* argument = Argument(parameters, index);
    return argument && argument->vt == VT_I4 ? argument->lVal : 0;
}

// The bytes of a post: a byte array inside the PostData VARIANT, copied whole.
std::vector<BYTE> PostDataArgument(const DISPPARAMS& parameters, UINT index)
{
    std::vector<BYTE> bytes;
    const VARIANT* argument = Argument(parameters, index);
    if (!argument || !(argument->vt & VT_ARRAY) || !argument->parray) {
        return bytes;
    }
    SAFEARRAY* array = argument->parray;
    LONG lower = 0;
    LONG upper = -1;
    if (::SafeArrayGetDim(array) < 1 || ::SafeArrayGetElemsize(array) != 1 ||
        FAILED(::SafeArrayGetLBound(array, 1, &lower)) || FAILED(::SafeArrayGetUBound(array, 1, &upper)) ||
        upper < lower) {
        return bytes;
    }
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(array, &data))) {
        return bytes;
    }
    const BYTE* first = static_cast<const BYTE*>(data);
    bytes.assign(first, first + (static_cast<size_t>(upper) - static_cast<size_t>(lower) + 1));
    ::SafeArrayUnaccessData(array);
    return bytes;
}

BrowserNotify EmptyRecord()
{
    BrowserNotify record = {};
    record.url = "";
    record.targetFrame = "";
    record.headers = "";
    record.text = "";
    return record;
}

}  // namespace

bool CBrowserHost::IsTopLevel(const VARIANT& dispatch) const
{
    return dispatch.vt == VT_DISPATCH && m_dispatch && dispatch.pdispVal == m_dispatch.Get();
}

void CBrowserHost::HandleBrowserEvent(DISPID id, const DISPPARAMS& parameters)
{
    switch (id) {
    case DISPID_BEFORENAVIGATE2: {
        const VARIANT* dispatch = Argument(parameters, 0);
        const VARIANT* cancel = parameters.cArgs == 7 ? &parameters.rgvarg[0] : nullptr;
        if (!dispatch || !IsTopLevel(*dispatch)) {
            return;
        }
        const std::string url = TextArgument(parameters, 1);
        const std::string target = TextArgument(parameters, 3);
        const std::vector<BYTE> postData = PostDataArgument(parameters, 4);
        const std::string headers = TextArgument(parameters, 5);
        BOOL cancelled = OnBeforeNavigate2(url.c_str(), target.c_str(), postData.empty() ? nullptr : postData.data(),
                                           static_cast<LONG>(postData.size()), headers.c_str());
        if (cancel && cancel->vt == (VT_BYREF | VT_BOOL) && cancel->pboolVal) {
            *cancel->pboolVal = cancelled ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return;
    }
    case DISPID_DOCUMENTCOMPLETE:
    case DISPID_NAVIGATECOMPLETE2: {
        const VARIANT* dispatch = Argument(parameters, 0);
        if (!dispatch || !IsTopLevel(*dispatch)) {
            return;
        }
        const std::string url = TextArgument(parameters, 1);
        if (id == DISPID_DOCUMENTCOMPLETE) {
            OnDocumentComplete(url.c_str());
        } else {
            OnNavigateComplete2(url.c_str());
        }
        return;
    }
    case DISPID_DOWNLOADBEGIN:
        OnDownloadBegin();
        return;
    case DISPID_PROGRESSCHANGE:
        OnProgressChange(NumberArgument(parameters, 0), NumberArgument(parameters, 1));
        return;
    case DISPID_DOWNLOADCOMPLETE:
        OnDownloadComplete();
        return;
    case DISPID_STATUSTEXTCHANGE:
        OnStatusTextChange(TextArgument(parameters, 0).c_str());
        return;
    case DISPID_TITLECHANGE:
        OnTitleChange(TextArgument(parameters, 0).c_str());
        return;
    default:
        return;
    }
}

LRESULT CBrowserHost::SendNotify(UINT code, BrowserNotify& record)
{
    HWND parent = GetParent();
    if (!parent) {
        return 0;
    }
    record.hdr.hwndFrom = m_hWnd;
    record.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd));
    record.hdr.code = code;
    return ::SendMessageA(parent, WM_NOTIFY, record.hdr.idFrom, reinterpret_cast<LPARAM>(&record));
}

BOOL CBrowserHost::OnBeforeNavigate2(const char* url, const char* targetFrame, const BYTE* postData,
                                     LONG postDataLength, const char* headers)
{
    BrowserNotify record = EmptyRecord();
    record.url = url;
    record.targetFrame = targetFrame;
    record.postData = postData;
    record.postDataLength = postDataLength;
    record.headers = headers;
    return SendNotify(kNotifyBeforeNavigate2, record) != 0;
}

void CBrowserHost::OnDocumentComplete(const char* url)
{
    BrowserNotify record = EmptyRecord();
    record.url = url;
    SendNotify(kNotifyDocumentComplete, record);
}

void CBrowserHost::OnDownloadBegin()
{
    BrowserNotify record = EmptyRecord();
    SendNotify(kNotifyDownloadBegin, record);
}

void CBrowserHost::OnProgressChange(LONG progress, LONG progressMax)
{
    BrowserNotify record = EmptyRecord();
    record.progress = progress;
    record.progressMax = progressMax;
    SendNotify(kNotifyProgressChange, record);
}

void CBrowserHost::OnDownloadComplete()
{
    BrowserNotify record = EmptyRecord();
    SendNotify(kNotifyDownloadComplete, record);
}

void CBrowserHost::OnNavigateComplete2(const char* url)
{
    BrowserNotify record = EmptyRecord();
    record.url = url;
    SendNotify(kNotifyNavigateComplete2, record);
}

void CBrowserHost::OnStatusTextChange(const char* text)
{
    BrowserNotify record = EmptyRecord();
    record.text = text;
    SendNotify(kNotifyStatusTextChange, record);
}

void CBrowserHost::OnTitleChange(const char* text)
{
    BrowserNotify record = EmptyRecord();
    record.text = text;
    SendNotify(kNotifyTitleChange, record);
}

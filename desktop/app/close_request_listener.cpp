#include "close_request_listener.h"

#include "close_request.h"

#include <sddl.h>

namespace {

// EVENT_MODIFY_STATE | SYNCHRONIZE for the local system (deployment tools run msiexec as it) and
// the Administrators group (the setup program runs elevated); the program's own handle, the
// creator's, has every right regardless.
const char kRequestRights[] = "D:(A;;0x00100002;;;SY)(A;;0x00100002;;;BA)";

}  // namespace

bool CloseRequestListener::Listen(HWND window, UINT message)
{
    Stop();
    m_window = window;
    m_message = message;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kRequestRights, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    const UniqueLocalMemory descriptorMemory(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    m_event.Attach(::CreateEventA(&attributes, TRUE, FALSE, CloseRequestName(::GetCurrentProcessId()).c_str()));
    HANDLE wait = nullptr;
    if (!m_event || !::RegisterWaitForSingleObject(&wait, m_event.Get(), OnRequest, this, INFINITE, WT_EXECUTEONLYONCE))
        return false;
    m_wait.Attach(wait);
    return true;
}

void CloseRequestListener::Stop()
{
    m_wait.Reset();
    m_event.Reset();
}

void CALLBACK CloseRequestListener::OnRequest(void* context, BOOLEAN)
{
    const auto* listener = static_cast<const CloseRequestListener*>(context);
    ::PostMessageA(listener->m_window, listener->m_message, 0, 0);
}

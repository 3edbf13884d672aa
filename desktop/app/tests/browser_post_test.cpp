// The host over Wine's real Web Browser control, which renders nothing but really sends its
// requests: the scan document arrives byte for byte as the body of a POST to the results page.
#include <winsock2.h>  // before any header that brings windows.h

#include "browser_host.h"
#include "test_service_base_url.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// Catches one request on 127.0.0.1 (a port the system chooses) on a thread of its own: reads
// the header and the Content-Length body, answers and closes at once, without waiting for the
// browser, which only moves on while the test thread pumps its messages. Every wait is bounded.
class RequestCatcher {
public:
    RequestCatcher()
    {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            ::listen(m_listener, 4) == 0 &&
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
        m_thread = std::thread(&RequestCatcher::CatchOne, this);
    }
    ~RequestCatcher()
    {
        m_thread.join();
        ::closesocket(m_listener);
        ::WSACleanup();
    }

    std::string Url(const char* path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    // The request as received, once it is complete; empty when none came within 20 s. Keeps this
    // thread's messages flowing meanwhile.
    std::string Receive()
    {
        const DWORD start = ::GetTickCount();
        while (!m_received && !m_gaveUp && ::GetTickCount() - start < 25000) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        return m_received ? m_request : std::string();
    }

private:
    void CatchOne()
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_listener, &readable);
        timeval wait = {20, 0};
        SOCKET connection = ::select(0, &readable, nullptr, nullptr, &wait) == 1
                                ? ::accept(m_listener, nullptr, nullptr)
                                : INVALID_SOCKET;
        if (connection == INVALID_SOCKET) {
            m_gaveUp = true;
            return;
        }
        DWORD timeoutMs = 10000;
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
        std::string request;
        char chunk[4096];
        size_t expected = std::string::npos;
        while (expected == std::string::npos || request.size() < expected) {
            int n = ::recv(connection, chunk, sizeof(chunk), 0);
            if (n <= 0) {
                break;
            }
            request.append(chunk, static_cast<size_t>(n));
            const size_t headerEnd = request.find("\r\n\r\n");
            if (expected == std::string::npos && headerEnd != std::string::npos) {
                const size_t field = request.find("\r\nContent-Length: ");
                const size_t length = field != std::string::npos && field < headerEnd
                                          ? std::strtoul(request.c_str() + field + 18, nullptr, 10)
                                          : 0;
                expected = headerEnd + 4 + length;
            }
        }
        m_request = request;
        m_received = true;
        static const char kReply[] = "HTTP/1.0 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nok";
        ::send(connection, kReply, sizeof(kReply) - 1, 0);
        ::closesocket(connection);
    }

    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::string m_request;
    std::atomic<bool> m_received{false};
    std::atomic<bool> m_gaveUp{false};
    std::thread m_thread;
};

class BrowserPostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::OleInitialize(nullptr);
        m_parent =
            ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        const RECT rect = {0, 0, 380, 260};
        ASSERT_TRUE(m_host.Create(WS_VISIBLE, rect, m_parent, 1000));
    }
    void TearDown() override
    {
        ::DestroyWindow(m_parent);
        ::OleUninitialize();
    }

    HWND m_parent = nullptr;
    CBrowserHost m_host;
};

TEST_F(BrowserPostTest, TheDocumentIsTheExactBodyOfAPostToTheResultsPage)
{
    std::string document = "<?xml version=\"1.0\"?>\r\n<ScanXML><Email>a&b</Email>";
    document += std::string("\x01\x7f\x80\xff=%+ \0end", 13);
    for (const std::string& body : {document, std::string()}) {
        RequestCatcher server;
        g_testServiceBaseUrl = server.Url("");
        m_host.PostDocument(body);
        const std::string request = server.Receive();
        EXPECT_EQ(request.compare(0, 38, "POST /result_page.php?desktop HTTP/1.1"), 0) << request;
        EXPECT_NE(request.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos)
            << request;
        const size_t headerEnd = request.find("\r\n\r\n");
        ASSERT_NE(headerEnd, std::string::npos) << request;
        EXPECT_EQ(request.substr(headerEnd + 4), body);
    }
}

TEST_F(BrowserPostTest, NavigationIsAPlainRequest)
{
    RequestCatcher server;
    m_host.Navigate(server.Url("/help.php"));
    const std::string request = server.Receive();
    EXPECT_EQ(request.compare(0, 18, "GET /help.php HTTP"), 0) << request;
}

}  // namespace

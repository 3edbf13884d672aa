// The host over Wine's real Web Browser control, which renders nothing but really sends its
// requests: the scan document arrives byte for byte as the body of a POST to the results page.
#include "browser_host.h"
#include "loopback_server.h"
#include "test_service_base_url.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

const char kReply[] = "HTTP/1.0 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nok";

// The request the server receives while this thread keeps the browser's messages flowing; empty
// when none arrives within 20 s.
std::string ReceiveWhilePumping(LoopbackServer& server) {
  std::atomic<bool> done{false};
  std::string request;
  std::thread reader([&] {
    request = server.Request();
    done = true;
  });
  const DWORD start = ::GetTickCount();
  while (!done && ::GetTickCount() - start < 20000) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  }
  if (!done) {
    server.Close();
  }
  reader.join();
  return request;
}

class BrowserPostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::OleInitialize(nullptr);
    m_parent = ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr, nullptr, nullptr);
    const RECT rect = {0, 0, 380, 260};
    ASSERT_TRUE(m_host.Create(WS_VISIBLE, rect, m_parent, 1000));
  }
  void TearDown() override {
    ::DestroyWindow(m_parent);
    ::OleUninitialize();
  }

  HWND m_parent = nullptr;
  CBrowserHost m_host;
};

TEST_F(BrowserPostTest, TheDocumentIsTheExactBodyOfAPostToTheResultsPage) {
  std::string document = "<?xml version=\"1.0\"?>\r\n<ScanXML><Email>a&b</Email>";
  document += std::string("\x01\x7f\x80\xff=%+ \0end", 13);
  for (const std::string& body : {document, std::string()}) {
    LoopbackServer server;
    g_testServiceBaseUrl = server.Url("");
    server.Serve(kReply);
    m_host.PostDocument(body);
    const std::string request = ReceiveWhilePumping(server);
    EXPECT_EQ(request.compare(0, 38, "POST /result_page.php?desktop HTTP/1.1"), 0) << request;
    EXPECT_NE(request.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"),
              std::string::npos) << request;
    const size_t headerEnd = request.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos) << request;
    EXPECT_EQ(request.substr(headerEnd + 4), body);
  }
}

TEST_F(BrowserPostTest, NavigationIsAPlainRequest) {
  LoopbackServer server;
  server.Serve(kReply);
  m_host.Navigate(server.Url("/help.php"));
  const std::string request = ReceiveWhilePumping(server);
  EXPECT_EQ(request.compare(0, 18, "GET /help.php HTTP"), 0) << request;
}

}  // namespace

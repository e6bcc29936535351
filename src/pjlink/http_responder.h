#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace r7k::pjlink {

// One HTTP/1.x request on a connection of the metrics endpoint, read as its bytes arrive, and
// its response; the platform's front writes the response and closes (one request a
// connection), and closes by itself a client that is too slow or one too many.
//   GET or HEAD /metrics  200, the metrics (HEAD: the head alone)
//   another path          404      another method   405
//   not HTTP              400      a head over kMaxHead bytes  431
class HttpResponder {
  public:
    static constexpr std::size_t kMaxHead = 8192;
    // What every platform's front enforces: a client that has not sent its request within
    // this time is closed without an answer, and connections beyond this many are closed at
    // once, so slow or many clients cannot hold the service's sockets.
    static constexpr std::chrono::seconds kClientTimeout{5};
    static constexpr int kMaxConnections = 8;

    enum class Verdict { NeedMore, Respond, Close };
    struct Step {
        Verdict verdict = Verdict::NeedMore;
        std::string bytes;  // Respond: to write before closing
        int status = 0;     // Respond: the status code, for the log
    };

    // `body` makes the metrics text when a request asks for it.
    explicit HttpResponder(std::function<std::string()> body) : m_body(std::move(body)) {}

    Step take(std::string_view bytes);

  private:
    Step answer(std::string_view requestLine);
    Step respond(int status, std::string_view type, const std::string& body, bool head);

    std::function<std::string()> m_body;
    std::string m_head;
    bool m_done = false;
};

}  // namespace r7k::pjlink

#pragma once

#include <QTcpServer>
#include <functional>
#include <string>

namespace r7k::pjlink {

// The metrics endpoint on Qt: each connection's bytes go to an HttpResponder, whose response
// is written before the connection closes.
class MetricsFront : public QTcpServer {
  public:
    explicit MetricsFront(std::function<std::string()> render) : m_render(std::move(render)) {}

  protected:
    void incomingConnection(qintptr descriptor) override;

  private:
    std::function<std::string()> m_render;
    int m_open = 0;
};

}  // namespace r7k::pjlink

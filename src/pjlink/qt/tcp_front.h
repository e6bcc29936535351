#pragma once

#include <QTcpServer>
#include <set>

#include "pjlink/service.h"

namespace r7k::pjlink {

// The PJLink port on Qt: a listening socket whose connections become the service's peers.
class TcpFront : public QTcpServer {
  public:
    explicit TcpFront(Service& service) : m_service(service) {}
    ~TcpFront() override;

  protected:
    void incomingConnection(qintptr descriptor) override;

  private:
    Service& m_service;
    std::set<class PeerStream*> m_peers;  // open, or closed and not yet told
};

}  // namespace r7k::pjlink

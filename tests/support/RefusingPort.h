#pragma once

// A loopback port that refuses connections for as long as this lives: bound and never
// listening. A port merely closed again may be taken meanwhile by another program on the
// machine (another test's server picking a free port), which would then answer.

#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

class RefusingPort {
public:
    RefusingPort()
        : m_descriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_descriptor >= 0 && ::bind(m_descriptor, reinterpret_cast<sockaddr*>(&address), length) == 0
            && ::getsockname(m_descriptor, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~RefusingPort()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    // 0 when no port could be had.
    quint16 port() const { return m_port; }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

private:
    int m_descriptor;
    quint16 m_port = 0;
};

} // namespace testsupport

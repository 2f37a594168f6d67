// The receive side on loopback: what is counted, queued and in which order,
// a port that is taken, and a shut-down that always returns.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <vector>

#include "protocol/network_core.h"

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// A plain socket on 127.0.0.k that plays a unit.
class LoopbackSender {
public:
    explicit LoopbackSender(std::uint8_t hostOctet = 1)
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(0x7F000000u | hostOctet);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~LoopbackSender() { ::close(m_fd); }

    void SendTo(std::uint16_t port, const std::vector<std::uint8_t>& bytes) const
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(kLoopback);
        ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

private:
    int m_fd = -1;
};

std::vector<std::uint8_t> Datagram(std::size_t size, std::uint8_t tag)
{
    std::vector<std::uint8_t> d(size, 0);
    if (size > 0x21) {
        d[6] = 3;
        d[0x21] = 1;
    }
    if (size > 0x0D)
        d[0x0D] = tag;
    return d;
}

} // namespace

TEST(NetworkCore, QueuesRoutedDatagramsInArrivalOrderAndCountsOnlyUnitSizes)
{
    std::atomic<int> wakes{0};
    NetworkCore core({0, 0, kLoopback}, [&] { ++wakes; });
    ASSERT_EQ(core.InitNetwork(), NetworkCore::InitResult::Ok);
    ASSERT_TRUE(core.StartReceiveThread());
    const std::uint16_t port = core.boundPort();
    ASSERT_NE(port, 0);

    LoopbackSender unit(7);
    unit.SendTo(port, Datagram(400, 9));  // oversized: recognised and dropped
    unit.SendTo(port, Datagram(131, 9));  // wrong size
    unit.SendTo(port, Datagram(132, 1));
    unit.SendTo(port, Datagram(97, 2));
    std::vector<std::uint8_t> otherFormat = Datagram(132, 9);
    otherFormat[6] = 2;
    unit.SendTo(port, otherFormat);       // counted, not handed on
    unit.SendTo(port, Datagram(132, 3));

    ASSERT_TRUE(core.WaitForQueued(3, 5000));
    std::vector<int> tags;
    ReceivedDatagram d;
    while (core.PopDatagram(d)) {
        tags.push_back(d.bytes[0x0D]);
        EXPECT_EQ(d.fromAddress, 0x7F000007u);
    }
    EXPECT_EQ(tags, (std::vector<int>{1, 2, 3}));
    EXPECT_GE(wakes.load(), 1);
    core.ShutdownNetwork();
    EXPECT_EQ(core.g_PacketsReceived.load(), 4u);
    EXPECT_FALSE(core.isReceiving());
}

TEST(NetworkCore, ATakenPortStartsNoThread)
{
    NetworkCore first({0, 0, kLoopback}, nullptr);
    ASSERT_EQ(first.InitNetwork(), NetworkCore::InitResult::Ok);
    NetworkCore second({first.boundPort(), 0, kLoopback}, nullptr);
    EXPECT_EQ(second.InitNetwork(), NetworkCore::InitResult::BindFailed);
    EXPECT_FALSE(second.StartReceiveThread());
    EXPECT_FALSE(second.isReceiving());
}

TEST(NetworkCore, ShutDownWakesAnIdleThreadAndDropsLaterDatagrams)
{
    NetworkCore core({0, 0, kLoopback}, nullptr);
    ASSERT_EQ(core.InitNetwork(), NetworkCore::InitResult::Ok);
    ASSERT_TRUE(core.StartReceiveThread());
    core.ShutdownNetwork(); // returns: the blocked wait is woken and joined
    EXPECT_FALSE(core.isReceiving());
    EXPECT_EQ(core.g_StopReceiveThread.load(), 1);
    EXPECT_FALSE(core.StartReceiveThread());
}

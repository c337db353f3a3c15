// The known-phone filter and the monitor with the program's web-service link, against the
// devservices SOAP service on loopback.
#include "app/parts/WebPhoneServices.h"
#include "device/connection/DeviceMonitor.h"
#include "device/connection/KnownPhoneDb.h"
#include "device/connection/KnownPhoneFilter.h"

#include "ConnectionTestSupport.h"
#include "ServerProcess.h"
#include "ServiceTestSupport.h"

#include "webservices/MachineEventReport.h"

#include <gtest/gtest.h>

#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace testsupport;

namespace {

const char* kKnowsAbcd = R"({"devices": [{"vid": "18d1", "pid": "abcd"}]})";

class WebPhoneServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        webservices::ResetReportedDevicesForTesting();
        WriteFile(m_serverDir.file("soap.json"), kKnowsAbcd);
        m_server = std::make_unique<ServerProcess>(
            std::vector<std::string>{"--soap-data", m_serverDir.file("soap.json"), "--soap-reports",
                                     reportsPath(), "--soap-silent-seconds", "20"});
        ASSERT_TRUE(m_server->ready()) << m_server->startOutput();
        m_folder.useWebService(m_server->port("soap"));
    }
    void TearDown() override { EXPECT_TRUE(webservices::WaitForMachineEvents(10s)); }
    std::string reportsPath() const { return m_serverDir.file("reports.txt"); }
    // Waits until `count` machine reports were received (they are sent from their own threads).
    bool waitForMachineReports(std::size_t count) const {
        for (int i = 0; i < 200 && machineReports().size() < count; ++i) {
            std::this_thread::sleep_for(50ms);
        }
        return machineReports().size() >= count;
    }
    // "<Status> <VID><PID>" of every machine report received so far.
    std::vector<std::string> machineReports() const {
        std::vector<std::string> lines;
        for (const ReceivedReport& report : ReadReports(reportsPath())) {
            if (report.operation == "SaveVCMachineLog") {
                lines.push_back(report.fields.at("Status") + " " + report.fields.at("Vid") +
                                report.fields.at("Pid"));
            }
        }
        return lines;
    }

    TestProgramFolder m_folder;
    TempDir m_serverDir;
    std::unique_ptr<ServerProcess> m_server;
    WebPhoneServices m_web;
};

} // namespace

TEST_F(WebPhoneServicesTest, ConfirmedPairIsInsertedAndAnsweredFromTheFileNextRun) {
    {
        KnownPhoneFilter firstRun(m_folder.knownPhoneDb(), m_web);
        EXPECT_EQ(firstRun.apply("18D1ABCD"), "18D1ABCD");
    }
    KnownPhoneDb db;
    ASSERT_TRUE(db.open(m_folder.knownPhoneDb()));
    EXPECT_TRUE(db.contains("18D1", "ABCD"));
    db.close();
    WriteFile(m_serverDir.file("soap.json"), R"({"devices": []})");
    KnownPhoneFilter nextRun(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(nextRun.apply("18D1ABCD"), "18D1ABCD");
    EXPECT_TRUE(machineReports().empty());
}

TEST_F(WebPhoneServicesTest, RejectedPairIsReportedOnceAsUnconfirmed) {
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(filter.apply("18D10BAD"), "");
    EXPECT_EQ(filter.apply("18D10BAD"), "");
    ASSERT_TRUE(webservices::WaitForMachineEvents(10s));
    EXPECT_EQ(machineReports(), (std::vector<std::string>{"1 18D10BAD"}));
    EXPECT_TRUE(filter.wasRejected("18D1", "0BAD"));
}

TEST_F(WebPhoneServicesTest, StopEndsAWaitForASilentService) {
    WriteFile(m_serverDir.file("soap.json"), R"({"devices": [], "fault": "silent"})");
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    std::stop_source source;
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        source.request_stop();
    });
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(filter.apply("18D10BAD", source.get_token()), "");
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 900ms);
    stopper.join();
    EXPECT_FALSE(filter.wasRejected("18D1", "0BAD")); // unanswered, asked again later
}

namespace {

int listeningSocket(int backlog, int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads the request up to the end of its envelope (or 5 s) and answers that the pair is known.
void answerKnown(int fd) {
    timeval wait{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string request;
    char buffer[4096];
    ssize_t n = 0;
    while (request.find("Envelope>") == std::string::npos &&
           (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
        request.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string body = "<soap:Envelope><soap:Body><GetDeviceResponse><GetDeviceResult>"
                             "<IsSuccess>true</IsSuccess></GetDeviceResult></GetDeviceResponse>"
                             "</soap:Body></soap:Envelope>";
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n"
                              "Content-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body;
    (void)::send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
}

} // namespace

// A connection that fails tells nothing about the pair: it is asked again on the next pass,
// and it is not reported as an unconfirmed device.
TEST_F(WebPhoneServicesTest, NetworkFailureIsNotRememberedAsNotAPhone) {
    int closedPort = 0;
    const int fd = listeningSocket(1, closedPort);
    ASSERT_GE(fd, 0);
    ::close(fd); // nothing listens there now: the connect is refused
    m_folder.useWebService(closedPort);
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(filter.apply("18D1ABCD"), "");
    EXPECT_TRUE(filter.lastApplyUnanswered());
    EXPECT_FALSE(filter.wasRejected("18D1", "ABCD"));

    m_folder.useWebService(m_server->port("soap"));
    EXPECT_EQ(filter.apply("18D1ABCD"), "18D1ABCD");
    EXPECT_FALSE(filter.lastApplyUnanswered());
    ASSERT_TRUE(webservices::WaitForMachineEvents(10s));
    EXPECT_TRUE(machineReports().empty());
}

// A full accept queue drops the SYN, as a lossy network does; the connect outlasts the
// kernel's first resends.
TEST_F(WebPhoneServicesTest, ADroppedSynIsSentAgainWithinTheConnectTime) {
    int port = 0;
    const int server = listeningSocket(0, port);
    ASSERT_GE(server, 0);
    const int filler = connectTo(port); // takes the only place in the accept queue
    ASSERT_GE(filler, 0);
    m_folder.useWebService(port);
    std::thread peer([server] {
        std::this_thread::sleep_for(1500ms);
        const int queued = ::accept(server, nullptr, nullptr); // the filler: room again
        pollfd incoming{server, POLLIN, 0};
        const int call = ::poll(&incoming, 1, 6000) == 1 ? ::accept(server, nullptr, nullptr) : -1;
        if (call >= 0) {
            answerKnown(call);
            ::close(call);
        }
        ::close(queued);
    });
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(filter.apply("18D1ABCD"), "18D1ABCD");
    EXPECT_FALSE(filter.wasRejected("18D1", "ABCD"));
    ::close(filler);
    peer.join();
    ::close(server);
}

TEST_F(WebPhoneServicesTest, MonitorReportsTheArrivalOfAConfirmedPhone) {
    PhoneSimProcess sim({});
    ASSERT_TRUE(sim.started());
    ScopedEnv port("ANDROID_ADB_SERVER_PORT", std::to_string(sim.port()));
    FakeSysfs sysfs;
    RecordingLinks links;
    DeviceMonitor monitor(links, m_web, DeviceMonitorSettings{sysfs.root(), ""});
    monitor.start();
    sysfs.plug("1-1", "18d1", "abcd");
    ASSERT_TRUE(links.waitFor("state 4 0"));
    ASSERT_TRUE(waitForMachineReports(1));
    monitor.stop();
    EXPECT_EQ(machineReports(), (std::vector<std::string>{"2 18D1ABCD"}));
    KnownPhoneDb db; // the monitor's default file: the program folder's data/arginfo.dat
    ASSERT_TRUE(db.open(m_folder.knownPhoneDb()));
    EXPECT_TRUE(db.contains("18D1", "ABCD"));
}

// GetDevice, GetMachineInfo and VC_Validate end to end against the devservices SOAP service,
// with its fault modes.
#include "webservices/SoapCalls.h"
#include "webservices/WebServiceEndpoint.h"

#include "ServerProcess.h"
#include "ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace webservices;
using namespace testsupport;

namespace {

const char* const kData = R"json({
  "devices": [
    {"vid": "18d1", "pid": "4ee2", "url": "http://localhost/drivers/google.zip",
     "md5": "0123456789abcdef0123456789abcdef", "startfile": "DPInst.exe", "devicetype": "INI"},
    {"vid": "12d1", "pid": "1038", "md5": "ffff", "devicetype": "INF"}
  ],
  "models": [
    {"model": "Nexus 5", "device": "hammerhead", "showname": "Nexus 5 (black)",
     "imageurl": "http://localhost/img/n5.png", "imageinfo": "2,10,20,30,40,50,60,70,80",
     "machineid": "4711"},
    {"model": "One", "device": "one", "imageinfo": "3", "machineid": "9"}
  ],
  "version": {"version": 8, "url": "http://localhost/Penlow-8.exe", "obliged": true,
              "description": "1.A;2.B", "md5": "abc", "updatetime": "2024-05-01 10:00:00"}
})json";

} // namespace

class SoapCallsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        WriteFile(s_dir->file("soap.json"), kData);
        s_server = new ServerProcess(
            {"--soap-data", s_dir->file("soap.json"), "--soap-silent-seconds", "1.5"});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }
    void SetUp() override {
        ASSERT_TRUE(s_server->ready()) << s_server->startOutput();
        m_program =
            std::make_unique<ProgramFolder>("localhost", std::to_string(s_server->port("soap")));
        WriteFile(s_dir->file("soap.json"), kData);
    }
    void setFault(const std::string& fault) {
        std::string data = kData;
        data.insert(data.rfind('}'), ", \"fault\": \"" + fault + "\"");
        WriteFile(s_dir->file("soap.json"), data);
    }

    static TempDir* s_dir;
    static ServerProcess* s_server;
    std::unique_ptr<ProgramFolder> m_program;
};

TempDir* SoapCallsTest::s_dir = nullptr;
ServerProcess* SoapCallsTest::s_server = nullptr;

TEST_F(SoapCallsTest, GetDeviceKnownAndUnknownPairs) {
    DeviceDriverInfo info;
    ASSERT_TRUE(GetDevice("18d1", "4ee2", true, info));
    EXPECT_EQ(info.url, "http://localhost/drivers/google.zip");
    EXPECT_EQ(info.md5, "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(info.startFile, "DPInst.exe");
    EXPECT_TRUE(info.inf);

    // No Url tag: success with an empty URL; DeviceType "INF" clears the flag.
    ASSERT_TRUE(GetDevice("12D1", "1038", false, info));
    EXPECT_EQ(info.url, "");
    EXPECT_EQ(info.startFile, "");
    EXPECT_FALSE(info.inf);

    info.url = "stale";
    EXPECT_FALSE(GetDevice("0bb4", "0c02", true, info));
    EXPECT_EQ(info.url, ""); // emptied before the call
}

TEST_F(SoapCallsTest, GetDeviceCapitalTrueIsFailure) {
    setFault("capital-true");
    DeviceDriverInfo info;
    EXPECT_FALSE(GetDevice("18d1", "4ee2", true, info));
}

TEST_F(SoapCallsTest, BrokenRepliesFailCleanly) {
    // Each of these must fail without hanging or overflowing: no header in time, no
    // Content-Length, chunked body, 10 KB body with the answer past the buffer, a header
    // over the buffer, a negative length.
    for (const char* fault :
         {"silent", "no-length", "chunked", "big", "big-header", "negative-length"}) {
        setFault(fault);
        DeviceDriverInfo info;
        EXPECT_FALSE(GetDevice("18d1", "4ee2", true, info)) << fault;
        EXPECT_EQ(info.url, "") << fault;
    }
}

TEST_F(SoapCallsTest, OversizedOrSlowRepliesKeepWhatArrived) {
    // An absurd Content-Length reads what the server sends until it closes.
    setFault("huge-length");
    DeviceDriverInfo info;
    EXPECT_TRUE(GetDevice("18d1", "4ee2", true, info));
    // A body pausing for more than the 1-second receive time-out: the pause costs one
    // attempt, the answer is still complete enough.
    setFault("slow");
    EXPECT_TRUE(GetDevice("18d1", "4ee2", true, info));
    EXPECT_EQ(info.startFile, "DPInst.exe");
}

TEST_F(SoapCallsTest, GetMachineInfoPlacesImageInfo) {
    MachineInfo record;
    ASSERT_TRUE(GetMachineInfo("18d1", "4ee2", "Nexus 5", "hammerhead", record));
    EXPECT_EQ(record.showName, "Nexus 5 (black)");
    EXPECT_EQ(record.imageUrl, "http://localhost/img/n5.png");
    EXPECT_EQ(record.machineId, "4711");
    EXPECT_EQ(record.model, "Nexus 5");
    EXPECT_EQ(record.device, "hammerhead");
    EXPECT_EQ(record.imageInfo, (std::array<int, 9>{2, 50, 60, 70, 80, 10, 20, 30, 40}));

    // One number only: the first integer changes, the others keep the earlier values.
    ASSERT_TRUE(GetMachineInfo("1", "2", "One", "one", record));
    EXPECT_EQ(record.imageInfo, (std::array<int, 9>{3, 50, 60, 70, 80, 10, 20, 30, 40}));
    EXPECT_EQ(record.showName, "Nexus 5 (black)");
    EXPECT_EQ(record.machineId, "9");

    MachineInfo untouched;
    EXPECT_FALSE(GetMachineInfo("1", "2", "Unknown", "x", untouched));
    EXPECT_EQ(untouched.model, "");
}

TEST_F(SoapCallsTest, VersionCheck) {
    VersionInfo info;
    ASSERT_TRUE(VC_Validate(7, info));
    EXPECT_EQ(info.version, 8);
    EXPECT_EQ(info.url, "http://localhost/Penlow-8.exe");
    EXPECT_TRUE(info.obliged);
    EXPECT_EQ(info.description, "1.A;2.B");
    EXPECT_EQ(info.updateTime, "2024-05-01");

    std::string data = kData;
    data.replace(data.find(", \"updatetime\""),
                 std::string(", \"updatetime\": \"2024-05-01 10:00:00\"").size(), "");
    WriteFile(s_dir->file("soap.json"), data);
    EXPECT_FALSE(VC_Validate(7, info)); // a newer version, but no UpdateTime
}

TEST_F(SoapCallsTest, EndpointFromConfiguration) {
    const int port = s_server->port("soap");
    Endpoint endpoint = GetWebServiceEndpoint();
    EXPECT_EQ(endpoint.host, "localhost");
    EXPECT_EQ(endpoint.port, port);

    // A port followed by a letter connects to the leading number.
    ProgramFolder suffixed("127.0.0.1", std::to_string(port) + "x");
    DeviceDriverInfo info;
    EXPECT_TRUE(GetDevice("18d1", "4ee2", true, info));

    // Without the keys: the built-in host and port 80.
    ProgramFolder bare("", "");
    endpoint = GetWebServiceEndpoint();
    EXPECT_EQ(endpoint.host, std::string(kBuiltInWebServiceHost));
    EXPECT_EQ(endpoint.port, 80);

    ProgramFolder unresolvable("no-such-host.invalid", std::to_string(port));
    EXPECT_FALSE(GetDevice("18d1", "4ee2", true, info));
    ProgramFolder outOfRange("localhost", std::to_string(port + 65536));
    EXPECT_FALSE(GetDevice("18d1", "4ee2", true, info));
}

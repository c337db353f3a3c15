// Byte-exact requests and reply handling through real loopback sockets, against a server
// that records what it receives and answers with scripted bytes and pauses.
#include "webservices/AccountLogin.h"
#include "webservices/HttpReader.h"
#include "webservices/InstallLog.h"
#include "webservices/MachineLog.h"
#include "webservices/SoapCalls.h"
#include "webservices/WebServiceEndpoint.h"
#include "webservices/WebServiceSocket.h"

#include "RecordingServer.h"
#include "ServiceTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace webservices;
using namespace testsupport;
using namespace std::chrono_literals;

namespace {

const std::string kEnvelopeHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
    "<soap:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">\r\n"
    "<soap:Body>\r\n";
const std::string kEnvelopeTail = "</soap:Body>\r\n</soap:Envelope>\r\n";

std::string Reply(const std::string& body, const std::string& status = "200 OK") {
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

} // namespace

TEST(WireFormat, GetDeviceRequestBytes) {
    RecordingServer server({{0ms, Reply("<IsSuccess>true</IsSuccess><Url>u</Url>")}});
    // The configured host is only connected to; the request names the built-in host.
    ProgramFolder program("127.0.0.1", std::to_string(server.port()));
    DeviceDriverInfo info;
    ASSERT_TRUE(GetDevice("18d1", "4ee2", true, info));
    EXPECT_EQ(info.url, "u");

    const std::string body = kEnvelopeHead +
                             "<GetDevice xmlns=\"http://tempuri.org/\">\r\n"
                             "<request>\r\n"
                             "<VID>18d1</VID>\r\n"
                             "<PID>4ee2</PID>\r\n"
                             "<MachineType>AMD64</MachineType>\r\n"
                             "</request>\r\n"
                             "</GetDevice>\r\n" +
                             kEnvelopeTail;
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "POST http://localhost/PackageService.asmx HTTP/1.1\r\n"
                                    "Host: localhost\r\n"
                                    "Content-Type: text/xml; charset=utf-8\r\n"
                                    "Content-Length: " +
                                        std::to_string(body.size()) +
                                        "\r\n"
                                        "SOAPAction: \"http://tempuri.org/GetDevice\"\r\n"
                                        "\r\n" +
                                        body);
}

TEST(WireFormat, SaveVCApkLogRequestBytes) {
    RecordingServer server({{0ms, "HTTP/1.1 200 OK\r\n\r\n"}});
    ProgramFolder program("127.0.0.1", std::to_string(server.port()));
    ApkLogRecord record;
    record.appName = "\xE5\xBE\xAE\xE4\xBF\xA1 Chat"; // Chinese name with a blank
    record.packageName = "com.example.chat";
    record.status = -1;
    record.createTime = "2024-05-01 09:08:07";
    record.phone.imei = "356938035643809";
    record.machineGuid = "6F9619FF-8B86-d011-B42D-00C04FC964FF";
    EXPECT_TRUE(SaveVCApkLog(record));

    const std::string body = kEnvelopeHead +
                             "<SaveVCApkLog xmlns=\"http://tempuri.org/\">\r\n"
                             "<request>\r\n<VCApk>\r\n<VCApkLog>\r\n"
                             "<Uid>0</Uid>\r\n"
                             "<ApkName>%E5%BE%AE%E4%BF%A1+Chat</ApkName>\r\n"
                             "<PackageName>com.example.chat</PackageName>\r\n"
                             "<Status>-1</Status>\r\n"
                             "<CreateTime>2024-05-01 09:08:07</CreateTime>\r\n"
                             "<ErrorCode>0</ErrorCode>\r\n"
                             "<MachineIMEI>356938035643809</MachineIMEI>\r\n"
                             "<MachineUsbMac>0</MachineUsbMac>\r\n"
                             "<MachineWifiMac>0</MachineWifiMac>\r\n"
                             "<MachineBlueToothMac>0</MachineBlueToothMac>\r\n"
                             "<MachineGuid>6F9619FF-8B86-d011-B42D-00C04FC964FF</MachineGuid>\r\n"
                             "<ErrorMessage>0</ErrorMessage>\r\n"
                             "</VCApkLog>\r\n</VCApk>\r\n</request>\r\n"
                             "</SaveVCApkLog>\r\n" +
                             kEnvelopeTail;
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "POST http://localhost/PackageService.asmx HTTP/1.1\r\n"
                                    "Host: 127.0.0.1\r\n"
                                    "Content-Type: text/xml; charset=gbk\r\n"
                                    "Content-Length: " +
                                        std::to_string(body.size()) + "\r\n\r\n" + body);
}

TEST(WireFormat, SaveVCApkLogSendsGbkBytesAsItsHeaderDeclares) {
    RecordingServer server({{0ms, "HTTP/1.1 200 OK\r\n\r\n"}});
    ProgramFolder program("127.0.0.1", std::to_string(server.port()));
    ApkLogRecord record;
    record.uid = "\xE5\x8C\x85"; // 包
    record.packageName = "com.example.chat";
    EXPECT_TRUE(SaveVCApkLog(record));
    ASSERT_EQ(server.requests().size(), 1u);
    const std::string request = server.requests()[0];
    EXPECT_NE(request.find("<Uid>\xB0\xFC</Uid>"), std::string::npos) << request;
    EXPECT_EQ(request.find("\xE5\x8C\x85"), std::string::npos);
    const std::size_t bodyStart = request.find("\r\n\r\n") + 4;
    long long length = 0;
    ASSERT_TRUE(ContentLength(request.substr(0, bodyStart), length));
    EXPECT_EQ(static_cast<std::size_t>(length), request.size() - bodyStart);
}

TEST(WireFormat, ReportsCountOnlyA200OkHeader) {
    RecordingServer ok({{0ms, "HTTP/1.1 200 OK\r\nContent-Length: 999\r\n\r\n"}});
    ProgramFolder program("127.0.0.1", std::to_string(ok.port()));
    MachineLogRecord record;
    record.windowsVersion = "Debian";
    EXPECT_TRUE(SaveVCMachineLog(record)); // the announced body is never waited for
    const std::string request = ok.requests().at(0);
    EXPECT_NE(request.find("Host: localhost\r\n"), std::string::npos);
    EXPECT_NE(request.find("SOAPAction: \"http://tempuri.org/SaveVCMachineLog\"\r\n"),
              std::string::npos);
    EXPECT_NE(request.find("<Status>0</Status>\r\n<ErrorMessage></ErrorMessage>\r\n"
                           "<MachineID>0</MachineID>\r\n<PartnerCode>0</PartnerCode>\r\n"),
              std::string::npos);
    EXPECT_NE(request.find("<WindowsVison>Debian</WindowsVison>\r\n<IsRoot>false</IsRoot>\r\n"
                           "</request>\r\n</SaveVCMachineLog>\r\n"),
              std::string::npos);

    RecordingServer failing({{0ms, Reply("", "500 Internal Server Error")}});
    ProgramFolder other("127.0.0.1", std::to_string(failing.port()));
    EXPECT_FALSE(SaveVCMachineLog(record));
}

TEST(WireFormat, ValuesCannotBreakTheXmlBody) {
    RecordingServer server({{0ms, Reply("<IsSuccess>false</IsSuccess>")}});
    ProgramFolder program("127.0.0.1", std::to_string(server.port()));
    MachineInfo record;
    EXPECT_FALSE(
        GetMachineInfo("18d1", "4ee2", "X</Model><MachineID>1</MachineID>", "a&b", record));
    const std::string request = server.requests().at(0);
    EXPECT_NE(request.find("<Model>X&lt;/Model&gt;&lt;MachineID&gt;1&lt;/MachineID&gt;</Model>"
                           "\r\n<Device>a&amp;b</Device>\r\n"),
              std::string::npos)
        << request;
}

TEST(WireFormat, BodyPausingLongerThanTheTimeOut) {
    RecordingServer server(
        {{0ms, "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n0123456789"}, {1500ms, "abcdefghij"}});
    std::optional<WebServiceSocket> socket = ConnectTcp("127.0.0.1", server.port());
    ASSERT_TRUE(socket);
    ASSERT_TRUE(socket->send("GET / HTTP/1.1\r\n\r\n"));
    std::string header;
    ASSERT_TRUE(ReadHttpHeader(*socket, header));
    long long length = 0;
    ASSERT_TRUE(ContentLength(header, length));
    // The pause costs one of the twenty attempts; what arrives is stored without a gap.
    EXPECT_EQ(ReadBody(*socket, length), "0123456789abcdefghi");
}

TEST(WireFormat, ServerGoingQuietAfterElevenOf4095BytesReleasesTheCaller) {
    // The reply announces 4,095 bytes, sends 11 and keeps the connection open without a word.
    RecordingServer server(
        {{0ms, "HTTP/1.1 200 OK\r\nContent-Length: 4095\r\n\r\n0123456789a"}, {9000ms, ""}});
    std::optional<WebServiceSocket> socket = ConnectTcp("127.0.0.1", server.port());
    ASSERT_TRUE(socket);
    ASSERT_TRUE(socket->send("GET / HTTP/1.1\r\n\r\n"));
    std::string header;
    ASSERT_TRUE(ReadHttpHeader(*socket, header));
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadBody(*socket, 4095), "0123456789a");
    // Five quiet seconds end the read, well before the server would close (nine seconds).
    EXPECT_LT(std::chrono::steady_clock::now() - began, 8s);
}

TEST(WireFormat, LoginRequestAndSegmentedReply) {
    const std::string body = "<root><BSCO>1</BSCO><UID>501</UID><NAME>N</NAME></root>";
    RecordingServer server(
        {{0ms, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                   body.substr(0, 17)},
         {300ms, body.substr(17)}});
    ScopedEnv host(kLoginHostVariable, "127.0.0.1");
    ScopedEnv port(kLoginPortVariable, std::to_string(server.port()));
    SetLoginResultForTesting({});
    EXPECT_EQ(UserLogin("a b", "pw"), 1);
    EXPECT_EQ(CurrentLoginResult().uid, "501");
    const std::string address = "127.0.0.1:" + std::to_string(server.port());
    const std::string form = "CVER=100&BCMD=UserLoginNoLock&USER=a+b&PWD=pw";
    EXPECT_EQ(server.requests().at(0),
              "POST http://" + address + "/ApServlet.ashx  HTTP/1.1\r\nHost:" + address +
                  "\r\nContent-Type: text/xml; charset=utf-8\r\nConnection: Closed\r\n"
                  "Pragma: no-cache\r\nAccept:*/*\r\nContent-Length: " +
                  std::to_string(form.size()) + "\r\n\r\n" + form);
}

// The page-script bridge: Base64 payloads, the ten-field split, the URL search and the
// external object's call rules.
#include "ui/browser/CKivImpIDispatch.h"
#include "ui/browser/ScriptPayload.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Base64(const std::string& bytes) {
    static const char* kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 |
                           (unsigned char)bytes[i + 2];
        for (int s : {18, 12, 6, 0}) {
            out += kAlphabet[(v >> s) & 63];
        }
    }
    if (bytes.size() - i == 1) {
        const unsigned v = (unsigned char)bytes[i] << 16;
        out = out + kAlphabet[v >> 18] + kAlphabet[(v >> 12) & 63] + "==";
    } else if (bytes.size() - i == 2) {
        const unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8;
        out = out + kAlphabet[v >> 18] + kAlphabet[(v >> 12) & 63] + kAlphabet[(v >> 6) & 63] + "=";
    }
    return out;
}

struct Captured {
    int calls = 0;
    int code = 0;
    ScriptRequest request;
};
Captured g_captured;

void Capture(int code, const ScriptRequest* request) {
    ++g_captured.calls;
    g_captured.code = code;
    g_captured.request = *request;
}

class ExternalObject : public ::testing::Test {
protected:
    void SetUp() override {
        g_captured = {};
        SetScriptRequestHook(Capture);
    }
    void TearDown() override { SetScriptRequestHook(nullptr); }
    CKivImpIDispatch external;
};

} // namespace

TEST(ScriptBase64, DecodesStandardTextWithPadding) {
    EXPECT_EQ(DecodeScriptBase64("aGVsbG8="), "hello");
    EXPECT_EQ(DecodeScriptBase64("aGk="), "hi");
    EXPECT_EQ(DecodeScriptBase64("aA=="), "h");
    EXPECT_EQ(DecodeScriptBase64(Base64("5+/\xff")), "5+/\xff");
}

TEST(ScriptBase64, SkipsForeignBytesAndDropsAnIncompleteGroup) {
    EXPECT_EQ(DecodeScriptBase64("aG\r\nVs-bG8\xe4\xb8\xad="), "hello");
    EXPECT_EQ(DecodeScriptBase64("aGVsbG8"), "hel"); // the last three characters make no group
    EXPECT_EQ(DecodeScriptBase64(""), "");
}

TEST(ScriptBase64, StopsAtTheLastGroupThatFits) {
    const std::string bytes(12000, 'a');
    const std::string decoded = DecodeScriptBase64(Base64(bytes));
    EXPECT_EQ(decoded.size(), std::size_t(10239)); // 3413 groups; the next would not fit
    // A one-byte group still fits in the last byte.
    const std::string text = Base64(std::string(10239, 'b')) + "YQ==";
    EXPECT_EQ(DecodeScriptBase64(text).size(), kScriptPayloadMaxBytes);
}

TEST(ScriptPayloadText, EndsAtAZeroByteAndReplacesBrokenUtf8) {
    EXPECT_EQ(ScriptPayloadText(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(ScriptPayloadText("名\xff"), "名\xEF\xBF\xBD");
    EXPECT_EQ(ScriptPayloadText("\xe5\x90"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(ScriptRequestSplit, TenPiecesFillTheFields) {
    const ScriptRequest r = ParseDownloadPayload(Base64("u|1.0||i.png|com.x||abc|Name||game"));
    EXPECT_EQ(r.downloadUrl(), "u");
    EXPECT_EQ(r.version(), "1.0");
    EXPECT_EQ(r.iconUrl(), "i.png");
    EXPECT_EQ(r.packageName(), "com.x");
    EXPECT_EQ(r.md5(), "abc");
    EXPECT_EQ(r.name(), "Name");
    EXPECT_EQ(r.type(), "game");
    EXPECT_EQ(r.field[2], "");
    EXPECT_EQ(r.field[8], "");
}

TEST(ScriptRequestSplit, TwelvePiecesDropTheTenthAndEleventh) {
    const ScriptRequest r = SplitScriptRequest("u|1.0||i.png|com.x||abc|Name||p10|p11|game");
    EXPECT_EQ(r.name(), "Name");
    EXPECT_EQ(r.type(), "game");
    for (const std::string& field : r.field) {
        EXPECT_NE(field, "p10");
        EXPECT_NE(field, "p11");
    }
}

TEST(ScriptRequestSplit, FewPiecesLeaveTheMiddleEmpty) {
    const ScriptRequest r = SplitScriptRequest("a|b|c");
    EXPECT_EQ(r.field[0], "a");
    EXPECT_EQ(r.field[1], "b");
    EXPECT_EQ(r.field[2], "");
    EXPECT_EQ(r.field[9], "c");
    EXPECT_EQ(SplitScriptRequest("no bars").field[9], "no bars");
    EXPECT_EQ(SplitScriptRequest("no bars").field[0], "");
}

TEST(ScriptUrl, FindsTheFirstQuotedUrl) {
    EXPECT_EQ(FindQuotedUrl(R"({"id":5,"url":"a.apk","n":"x"})"), "a.apk");
    EXPECT_EQ(FindQuotedUrl(R"({"url": "spaced"})"), "");
    EXPECT_EQ(FindQuotedUrl(R"({"url":"open)"), "");
    EXPECT_EQ(FindQuotedUrl(R"({"url":"a\"b"})"), "a\\");
    EXPECT_EQ(FindQuotedUrl("{}"), "");
}

TEST(ExternalObjectNames, AreExactAndCaseSensitive) {
    EXPECT_EQ(CKivImpIDispatch::DispIdOfName("KivSofeware_notify"), 8);
    EXPECT_EQ(CKivImpIDispatch::DispIdOfName("VuzuDoz_Notify"), 9);
    EXPECT_EQ(CKivImpIDispatch::DispIdOfName("kivsofeware_notify"), -1);
    EXPECT_EQ(CKivImpIDispatch::DispIdOfName("VuzuDoz_Notify "), -1);
    EXPECT_EQ(CKivImpIDispatch::DispIdOfName(""), -1);
}

TEST_F(ExternalObject, DownloadRequestReachesTheHook) {
    external.Invoke(8, {3.0, Base64("u|1.0||i.png|com.x||abc|名字||game")});
    ASSERT_EQ(g_captured.calls, 1);
    EXPECT_EQ(g_captured.code, 3);
    EXPECT_EQ(g_captured.request.name(), "名字");
    EXPECT_EQ(g_captured.request.downloadUrl(), "u");
}

TEST_F(ExternalObject, CodeAndDataAreTheLastTwoArguments) {
    external.Invoke(8, {std::string("extra"), 4.0, std::string("http://store/list.php")});
    ASSERT_EQ(g_captured.calls, 1);
    EXPECT_EQ(g_captured.code, 4);
    EXPECT_EQ(g_captured.request.downloadUrl(), "http://store/list.php");
}

TEST_F(ExternalObject, OtherCodesAndBadArgumentsDoNothing) {
    const std::vector<std::vector<ScriptValue>> calls = {
        {1.0, std::string("x")},
        {2.0, std::string("x")},
        {5.0, std::string("x")},
        {3.0},
        {},
        {std::string("3"), std::string("x")},
        {3.5, std::string("x")},
        {3.0, 7.0},
        {3.0, std::monostate{}},
        {1e12, std::string("x")},
    };
    for (const auto& args : calls) {
        external.Invoke(8, args);
    }
    external.Invoke(9, {});
    external.Invoke(9, {5.0});
    external.Invoke(10, {3.0, std::string("x")});
    EXPECT_EQ(g_captured.calls, 0);
}

TEST_F(ExternalObject, VuzuDozTakesOnlyTheUrl) {
    external.Invoke(9, {std::string(R"({"id":5,"url":"a.apk","n":"x"})")});
    ASSERT_EQ(g_captured.calls, 1);
    EXPECT_EQ(g_captured.code, 3);
    EXPECT_EQ(g_captured.request.downloadUrl(), "a.apk");
    for (std::size_t i = 1; i < ScriptRequest::kFields; ++i) {
        EXPECT_EQ(g_captured.request.field[i], "");
    }
    external.Invoke(9, {std::string("{}")});
    EXPECT_EQ(g_captured.calls, 2);
    EXPECT_EQ(g_captured.request.downloadUrl(), "");
}

TEST_F(ExternalObject, WithoutHookTheRequestIsDropped) {
    SetScriptRequestHook(nullptr);
    external.Invoke(9, {std::string("{}")});
    EXPECT_EQ(g_captured.calls, 0);
}

TEST(ExternalObjectInstance, OnePerProcessUntilDeleted) {
    CKivImpIDispatch* external = CKivImpIDispatch::CreateInstance();
    EXPECT_EQ(CKivImpIDispatch::CreateInstance(), external);
    EXPECT_EQ(CKivImpIDispatch::Instance(), external);
    CKivImpIDispatch::DeleteInstance();
    EXPECT_EQ(CKivImpIDispatch::Instance(), nullptr);
}

#include "ras/RasDialNotifier.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using norvanta::ras::connStateName;

// The names are stored as CP949 bytes; converting them back catches a wrong byte.
std::string cp949ToUtf8(const std::string& text)
{
    return norvanta::platform::exactUtf8FromCp949(text).value_or("(invalid CP949)");
}

struct NameCase {
    DWORD state;
    const char* utf8;
};

class ConnStateNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ConnStateNameTest, NameIsTheKoreanTextInCp949)
{
    EXPECT_EQ(cp949ToUtf8(connStateName(GetParam().state)), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    States, ConnStateNameTest,
    ::testing::Values(NameCase{0, "통신포트 여는중..."}, NameCase{1, "통신포트 열었습니다 연결중 입니다"},
                      NameCase{2, "디바이스에 연결중"}, NameCase{3, "디바이스에 연결되었습니다"},
                      NameCase{4, "모든 디바이스의 연결 완료"}, NameCase{5, "사용자명과 암호 확인중"},
                      NameCase{6, "인증내용 확인"}, NameCase{7, "새로운 사용자 확인자료 요청"},
                      NameCase{8, "인증 Callback "}, NameCase{9, "암호변경"}, NameCase{10, "네트워크에 등록중..."},
                      NameCase{11, "접속속도 산정중"}, NameCase{12, "확인요청 확정"}, NameCase{13, "재확인시작"},
                      NameCase{14, "인증완료"}, NameCase{15, "Callback 준비"}, NameCase{16, "모뎀초기화 대기중"},
                      NameCase{17, "Callback 대기"}, NameCase{18, "수행된 정보정상"},
                      NameCase{0x2000, "접속되었습니다."}, NameCase{0x2001, "접속해제"}, NameCase{19, "(ERROR)"},
                      NameCase{0x1000, "(ERROR)"}, NameCase{0x2002, "(ERROR)"}, NameCase{0xFFFFFFFF, "(ERROR)"}));

std::atomic<int> g_calls{0};
std::atomic<DWORD> g_state{0};
std::atomic<DWORD> g_error{0};
std::atomic<HRASCONN> g_connection{nullptr};

void recordingSink(HRASCONN connection, RASCONNSTATE state, DWORD error)
{
    g_connection = connection;
    g_state = state;
    g_error = error;
    ++g_calls;
}

TEST(RasDialNotifierTest, PassesHandleStateAndErrorToTheSinkAndDropsTheRest)
{
    g_calls = 0;
    norvanta::ras::setDialEventSink(recordingSink);
    RasDialNotifier(reinterpret_cast<HRASCONN>(42), 0xCCCD, RASCS_Authenticate, 691, 12345);
    norvanta::ras::setDialEventSink(nullptr);
    RasDialNotifier(reinterpret_cast<HRASCONN>(42), 0xCCCD, RASCS_Connected, 0, 0);

    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(g_connection, reinterpret_cast<HRASCONN>(42));
    EXPECT_EQ(g_state, static_cast<DWORD>(RASCS_Authenticate));
    EXPECT_EQ(g_error, 691u);
}

TEST(RasDialNotifierTest, MessageNumberIsWmUserPlus0xCA)
{
    EXPECT_EQ(WM_RASDIALEVENT, 0x0400u + 0xCAu);
}

} // namespace

#include "ras/RasDialNotifier.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <utility>

namespace norvanta::ras {
namespace {

// Read by the notifier on the service's thread while the application may set it; an
// atomic pointer needs no lock.
std::atomic<DialEventSink> g_sink{nullptr};

// Stored as CP949 bytes, the client's text encoding; the UTF-8 above each is the same text.
const std::pair<DWORD, const char*> kStateNames[] = {
    // 통신포트 여는중...
    {RASCS_OpenPort, "\305\353\275\305\306\367\306\256 \277\251\264\302\301\337..."},
    // 통신포트 열었습니다 연결중 입니다
    {RASCS_PortOpened, "\305\353\275\305\306\367\306\256 \277\255\276\372\275\300\264\317\264\331 "
                       "\277\254\260\341\301\337 \300\324\264\317\264\331"},
    // 디바이스에 연결중
    {RASCS_ConnectDevice, "\265\360\271\331\300\314\275\272\277\241 \277\254\260\341\301\337"},
    // 디바이스에 연결되었습니다
    {RASCS_DeviceConnected,
     "\265\360\271\331\300\314\275\272\277\241 \277\254\260\341\265\307\276\372\275\300\264\317\264\331"},
    // 모든 디바이스의 연결 완료
    {RASCS_AllDevicesConnected,
     "\270\360\265\347 \265\360\271\331\300\314\275\272\300\307 \277\254\260\341 \277\317\267\341"},
    // 사용자명과 암호 확인중
    {RASCS_Authenticate, "\273\347\277\353\300\332\270\355\260\372 \276\317\310\243 \310\256\300\316\301\337"},
    // 인증내용 확인
    {RASCS_AuthNotify, "\300\316\301\365\263\273\277\353 \310\256\300\316"},
    // 새로운 사용자 확인자료 요청
    {RASCS_AuthRetry,
     "\273\365\267\316\277\356 \273\347\277\353\300\332 \310\256\300\316\300\332\267\341 \277\344\303\273"},
    // 인증 Callback
    {RASCS_AuthCallback, "\300\316\301\365 Callback "},
    // 암호변경
    {RASCS_AuthChangePassword, "\276\317\310\243\272\257\260\346"},
    // 네트워크에 등록중...
    {RASCS_AuthProject, "\263\327\306\256\277\366\305\251\277\241 \265\356\267\317\301\337..."},
    // 접속속도 산정중
    {RASCS_AuthLinkSpeed, "\301\242\274\323\274\323\265\265 \273\352\301\244\301\337"},
    // 확인요청 확정
    {RASCS_AuthAck, "\310\256\300\316\277\344\303\273 \310\256\301\244"},
    // 재확인시작
    {RASCS_ReAuthenticate, "\300\347\310\256\300\316\275\303\300\333"},
    // 인증완료
    {RASCS_Authenticated, "\300\316\301\365\277\317\267\341"},
    // Callback 준비
    {RASCS_PrepareForCallback, "Callback \301\330\272\361"},
    // 모뎀초기화 대기중
    {RASCS_WaitForModemReset, "\270\360\265\251\303\312\261\342\310\255 \264\353\261\342\301\337"},
    // Callback 대기
    {RASCS_WaitForCallback, "Callback \264\353\261\342"},
    // 수행된 정보정상
    {RASCS_Projected, "\274\366\307\340\265\310 \301\244\272\270\301\244\273\363"},
    // 접속되었습니다.
    {RASCS_Connected, "\301\242\274\323\265\307\276\372\275\300\264\317\264\331."},
    // 접속해제
    {RASCS_Disconnected, "\301\242\274\323\307\330\301\246"},
};

} // namespace

void setDialEventSink(DialEventSink sink)
{
    g_sink.store(sink);
}

const char* connStateName(DWORD state)
{
    const auto found = std::find_if(std::begin(kStateNames), std::end(kStateNames),
                                    [state](const auto& entry) { return entry.first == state; });
    return found != std::end(kStateNames) ? found->second : "(ERROR)";
}

} // namespace norvanta::ras

void WINAPI RasDialNotifier(HRASCONN connection, UINT, RASCONNSTATE state, DWORD error, DWORD)
{
    if (const auto sink = norvanta::ras::g_sink.load()) {
        sink(connection, state, error);
    }
}

#pragma once

// The client's own words, shown as they stand.
namespace norvanta::app::text {

inline constexpr char kClientCaption[] = "Norvanta VPN 클라이언트";
inline constexpr char kDialogTitle[] = "Norvanta VPN";
inline constexpr char kAlreadyRunning[] = "프로그램이 이미 실행되어 있습니다.";
inline constexpr char kSocketsFailed[] = "Windows 소켓을 초기화하지 못했습니다."; // message 103
inline constexpr char kServerListFailed[] = "서버 목록을 가져올수 없습니다! 재실행 해주시기 바랍니다";
// Asked when 접속 finds no server: yes fetches the list again, with the same requests.
// The status line after a list that could not be fetched: the message box's advice to
// restart is not the only way, 접속 fetches it again.
inline constexpr char kListRetryHint[] = "서버 목록을 받지 못했습니다. 접속을 누르면 다시 받습니다.";
inline constexpr char kNoServer[] = "접속할 서버가 없습니다. 서버 목록을 다시 받으시겠습니까?";
inline constexpr char kLoadingServers[] = "서버 목록을 불러오는 중...";
// Followed by the system's own advice (platform::updateAdvice).
inline constexpr char kNewVersionPublished[] = "새 버전(%1)이 나왔습니다. %2";
inline constexpr char kDialErrorCaption[] = "접속오류";
inline constexpr char kUnknownDialError[] = "알 수 없는 접속 오류가 발생했습니다. (오류 코드 %1)";

inline constexpr char kNotConnected[] = "서비스 미접속";
inline constexpr char kConnecting[] = "서비스 접속중...";
inline constexpr char kConnected[] = "서비스 접속 완료";
inline constexpr char kDialFailed[] = "서비스 접속 오류";
inline constexpr char kDisconnected[] = "서비스 접속 종료";
// The link ended without the user's 접속종료.
inline constexpr char kLinkLost[] = "서비스 연결 끊김";
inline constexpr char kLinkLostNotice[] = "VPN 연결이 끊어졌습니다. 다시 접속하려면 접속을 누르십시오.";
// The reconnect after a drop: the countdown's status ("(attempt/attempts, seconds초)"
// follows) and the notices of its start and its end.
inline constexpr char kReconnectWaiting[] = "서비스 재접속 대기 중...";
inline constexpr char kReconnectingNotice[] = "VPN 연결이 끊어졌습니다. 잠시 후 다시 접속합니다.";
inline constexpr char kReconnected[] = "서비스 재접속 완료";
inline constexpr char kReconnectedNotice[] = "VPN 연결을 다시 맺었습니다.";
inline constexpr char kReconnectFailed[] = "서비스 재접속 실패";
inline constexpr char kReconnectFailedNotice[] = "VPN에 다시 접속하지 못했습니다. 다시 접속하려면 접속을 누르십시오.";

inline constexpr char kStatusGroup[] = "연결 상태 정보";
inline constexpr char kUserIdLabel[] = "사용자 아이디:";
inline constexpr char kPasswordLabel[] = "비밀번호:";
inline constexpr char kServerLabel[] = "접속 서버선택";
inline constexpr char kStateLabel[] = "상      태:";
inline constexpr char kTimeLabel[] = "사용시간:";
inline constexpr char kSaveId[] = "아이디저장";
inline constexpr char kSavePassword[] = "비밀번호저장";
inline constexpr char kServerInfo[] = "서버정보";
inline constexpr char kConnectButton[] = "접속";
inline constexpr char kDisconnectButton[] = "접속종료";

// The tray icon's menu.
inline constexpr char kTrayOpen[] = "열기";
inline constexpr char kTrayExit[] = "종료";
inline constexpr char kTrayAutoReconnect[] = "자동 재접속";
inline constexpr char kTrayStartWithDesktop[] = "로그인 시 시작";
inline constexpr char kTrayConnectOnStart[] = "시작 시 자동 접속";
// What the link is, in the tray's tooltip and the server information while connected.
inline constexpr char kLinkAddress[] = "주소";
inline constexpr char kLinkEncryption[] = "암호화";
inline constexpr char kEncryptionNone[] = "없음";
inline constexpr char kLinkSent[] = "보냄";
inline constexpr char kLinkReceived[] = "받음";

} // namespace norvanta::app::text

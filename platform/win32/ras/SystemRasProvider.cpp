#include "platform/ras/SystemRasProvider.h"

#include "platform/CodePage.h"
#include "platform/ras/UnavailableRasProvider.h"

namespace norvanta::platform::ras {

// This layer is linked only into the Windows test programs, ahead of rasapi32, so that
// they dial the simulation (Wine's rasapi32 dials nothing). The client itself calls
// rasapi32 directly and never reaches this file; a test that forgets to choose the
// simulation gets a plain error, never a silent success.
std::unique_ptr<RasProvider> makeSystemRasProvider()
{
    return std::make_unique<UnavailableRasProvider>(
        ERROR_AUTOMATIC_VPN_FAILED,
        cp949FromUtf8("이 시험 프로그램은 시뮬레이션으로만 연결합니다 (NORVANTA_VPN_RAS=sim)."));
}

} // namespace norvanta::platform::ras

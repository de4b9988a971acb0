#include "app/UpdateCheck.h"

#include "net/QEL_Request.h"
#include "platform/Process.h"

namespace norvanta::app {

namespace {

// An installed package is updated by the package manager: the user hears of a new version
// once, and "Ver" stays as it is, since no updater brought the client to it.
UpdateOutcome tellOnce(CRegistryEx& keptKey, const std::string& version, std::string* published)
{
    std::string told;
    keptKey.ReadString(kToldVersionValue, told);
    if (told == version) {
        return UpdateOutcome::RunDialog;
    }
    CRegistryEx store;
    if (store.Open() || store.Create()) {
        store.WriteString(kToldVersionValue, version);
    }
    if (published != nullptr) {
        *published = version;
    }
    return UpdateOutcome::TellNewVersion;
}

} // namespace

UpdateOutcome CheckForUpdate(CRegistryEx& keptKey, const UpdateCheckSetup& setup, std::string* publishedOut)
{
    std::string recorded;
    if (keptKey.Open()) {
        keptKey.ReadString("Ver", recorded);
    }

    QEL::QEL_Network::QEL_Request request;
    std::string header;
    std::string published;
    request.Request(setup.versionUrl, kVersionQueryBody, header, published);
    if (header.find("200 OK") == std::string::npos || published == recorded) {
        return UpdateOutcome::RunDialog;
    }
    if (!setup.updaterInstalled) {
        return tellOnce(keptKey, published, publishedOut);
    }

    // Recording the version before knowing the updater runs would hide the update for
    // good when it cannot start; not recording it on a fresh install (no key yet) would
    // hand over at every start.
    if (!setup.launch(setup.updaterPath)) {
        return UpdateOutcome::RunDialog;
    }
    CRegistryEx store;
    if (store.Open() || store.Create()) {
        store.WriteString("Ver", published);
    }
    return UpdateOutcome::UpdaterLaunched;
}

std::string updaterPathIn(const std::string& executableDirectory)
{
    return norvanta::platform::programPath(executableDirectory, kUpdaterName);
}

} // namespace norvanta::app

#include "ClientAgainstServer.h"

#include "ServerProcess.h"

#include "network/KeychainService.h"


namespace testsupport {

void useServerSignedOut(const ServerProcess& server)
{
    qputenv("MORVANE_API_URL", server.baseUrl().toString().toUtf8());
    qputenv("MORVANE_WS_URL", server.wsUrl().toString().toUtf8());
    forgetSignedInAccount();
}

void forgetSignedInAccount()
{
    for (const char* key : { "auth_token", "refresh_token", "cached_user" })
        KeychainService::shared().remove(QString::fromLatin1(key));
}

} // namespace testsupport

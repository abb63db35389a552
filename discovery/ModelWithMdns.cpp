// The constructor of Model over the default browser (mDNS and wide-area DNS-SD) and the HTTP
// client. Kept apart so that code which injects its own browser factory (the tests) does not
// need the queriers linked in.

#include "discovery/Model.h"
#include "platform/HttpClient.h"

Model::Model(QObject *parent)
    : Model([] { return createDefaultBrowser(); }, sharedHttpClient(), nullptr, kDefaultProbeLimit,
            parent)
{
}

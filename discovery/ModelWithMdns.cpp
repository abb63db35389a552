// The constructor of Model over the process's mDNS querier and HTTP client. Kept apart so that
// code which injects its own browser factory (the tests) does not need the querier linked in.

#include "discovery/Model.h"
#include "platform/HttpClient.h"

Model::Model(QObject *parent)
    : Model([] { return createMdnsBrowser(); }, sharedHttpClient(), nullptr, kDefaultProbeLimit,
            parent)
{
}

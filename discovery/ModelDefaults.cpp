// The model as the application builds it. Kept apart so that code which injects its own browser
// factory (the tests) does not need the mDNS querier linked in.

#include "discovery/Model.h"
#include "platform/HttpClient.h"

Model::Model(QObject *parent)
    : Model([] { return createDefaultBrowser(); }, sharedHttpClient(), {}, defaultProbeLimit,
            parent)
{
}

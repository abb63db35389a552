// Tests build every Model with an injected browser factory, but Qt's meta-type data of Model
// refers to its no-argument constructor, which refers to the process's mDNS querier. This weak
// definition satisfies the linker in test programs that do not link the querier; it is never
// called, and the real querier, when linked, takes its place.

#include "DnsSd.h"

#include <QtGlobal>

__attribute__((weak)) std::unique_ptr<DnsSdBrowser> createMdnsBrowser()
{
    qFatal("unit tests inject their DnsSdBrowser; the mDNS querier is not linked here");
}

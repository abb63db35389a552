#pragma once

#include "discovery/Camera.h"

#include <QStringView>

#include <utility>

// Sets the answer flags of `camera` from letters: 'I', '6', 'A' its web interface answered over
// HTTP on the IPv4, IPv6, auto-IP address; 'S', 'T', 'U' over HTTPS likewise. Other letters are
// left to the test.
inline void setAnswers(Camera &camera, QStringView letters)
{
    const std::pair<char16_t, bool Camera::*> flags[]{
        {u'I', &Camera::isIpv4Enabled},      {u'6', &Camera::isIpv6Enabled},
        {u'A', &Camera::isAutoIpEnabled},    {u'S', &Camera::isIpv4HttpsEnabled},
        {u'T', &Camera::isIpv6HttpsEnabled}, {u'U', &Camera::isAutoIpHttpsEnabled}};
    for (const auto &[letter, flag] : flags)
        camera.*flag = letters.contains(letter);
}

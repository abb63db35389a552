#include "discovery/Camera.h"

#include <QHashFunctions>

size_t qHash(Device device, size_t seed) noexcept
{
    return ::qHash(static_cast<int>(device), seed);
}

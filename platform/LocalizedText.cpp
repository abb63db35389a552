#include "platform/LocalizedText.h"

#include <QCoreApplication>

QString localizedText(const char *key)
{
    // qtTrId returns the id itself when no loaded translator knows it.
    return qtTrId(key);
}

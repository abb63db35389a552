#pragma once

#include <QString>

// The visible text for a localisation key, from the loaded translations (id-based, qtTrId);
// the key itself when no translation has an entry for it.
QString localizedText(const char *key);

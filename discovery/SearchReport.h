#pragma once

#include "platform/DnsSd.h"

#include <QString>
#include <QStringList>

#include <optional>

class Model;

// The texts both programs make from a Model's state, by localisation key.

// The main window's status line: "Searching… 12 devices" while the browse runs, then
// "37 devices (35 cameras, 2 controllers)" (and ", 1 other" for devices of neither kind, when
// there are some); with `shown` (the rows a filter lets through) "12 of 37 devices" instead.
// Each with the probes still running if any. Empty before the first search and after one that
// found nothing.
QString searchStatusText(const Model &model, std::optional<int> shown = std::nullopt);

// Why a finished search found nothing, one line each: the interfaces searched (or that none
// has multicast), whether UDP port 5353 could be opened and whether another mDNS program shares
// it, and the firewall hint. Without a report only the first and the last line.
QStringList nothingFoundLines(const std::optional<DnsSdSocketReport> &report);

// No mDNS socket at all could be opened (neither for IPv4 nor for IPv6).
bool hasNoMdnsSocket(const std::optional<DnsSdSocketReport> &report);

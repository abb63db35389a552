#pragma once

#include "cli/ScanOptions.h"
#include "discovery/Model.h"

#include <QObject>

#include <functional>

// vindra-scan's camera list: runs searches on a Model as the search button would and prints
// each search's list once the five-second browse is over and every probe has settled, or when
// the --wait bound (counted from the start of the search) has passed, whichever comes first -
// and at the latest just before the next search of --watch starts. Emits finished() after the
// last list.
class CameraScan : public QObject
{
    Q_OBJECT
public:
    using Print = std::function<void(const QString &text)>;

    CameraScan(Model &model, const ScanOptions &options, Print print,
               Model::OneShotTimer oneShotTimer, QObject *parent = nullptr);

    void start();

Q_SIGNALS:
    void finished();

private:
    void search();
    void checkComplete();
    void printList();

    Model &model;
    ScanOptions options;
    Print print;
    Model::OneShotTimer scheduleOneShot;
    int searchNumber = 0;
    bool printed = true;
    bool checkQueued = false;
};

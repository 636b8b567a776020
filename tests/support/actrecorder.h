#pragma once

#include <QList>
#include <QStringList>

// For one test case: the acts that must not really happen in a test (starting programs detached,
// stopping processes by name, ending the program) are recorded instead. A clean-up script the
// case had written is removed afterwards (on Windows it lies outside any sandbox).
class ActRecorder
{
public:
    ActRecorder();
    ~ActRecorder();
    ActRecorder(const ActRecorder &) = delete;
    ActRecorder &operator=(const ActRecorder &) = delete;

    QList<QStringList> acts; // program followed by its arguments, in order
    int endedWith = -1;      // the exit code the program was ended with, -1 while it was not
};

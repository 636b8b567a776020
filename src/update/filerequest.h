#pragma once

#include <QString>

class QNetworkAccessManager;

// The file request of the update protocol: one GET whose body goes to a file as it arrives.
class FileRequest
{
public:
    // Downloads address into target, creating its folder. The body is written in 4096-byte
    // chunks while it arrives, so memory does not grow with the file; an error answer's body is
    // not content and is not written. What was written before a failure stays. False on any
    // network, HTTP or write failure, with the reason in errorText.
    static bool fetch(QNetworkAccessManager &http, const QString &address, const QString &target,
                      QString *errorText = nullptr);
};

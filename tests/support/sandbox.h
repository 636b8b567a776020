#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcessEnvironment>
#include <QStringList>
#include <QString>
#include <QTemporaryDir>

// A throw-away machine for one test case: HOME, XDG_*, TMPDIR and PROGRAMFILES point into a
// fresh temporary folder, and the programs look for "TS.ini" and "service.ini" in its
// "program" folder. "service.ini" starts out pointing the operations and web servers at a closed
// port of 127.0.0.1. Everything is put back when the sandbox goes.
class Sandbox
{
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    bool isValid() const;
    QString root() const;
    QString path(const QString &relative) const;
    QString programDir() const;

    // Writes "TS.ini" into the program folder, the values encoded with the given codec.
    void writeBranding(const QMap<QString, QString> &info, const QByteArray &codec = "GB2312") const;
    void writeFile(const QString &relative, const QByteArray &content) const;

    // The environment for programs started inside the sandbox.
    QProcessEnvironment environment() const;

    static void setRegistryValue(const QString &keyPath, const QString &name, const QString &value);
    static QString registryValue(const QString &keyPath, const QString &name);

private:
    QTemporaryDir m_dir;
    QStringList m_shellEntries;
    QMap<QByteArray, QByteArray> m_saved;
    QMap<QByteArray, bool> m_wasSet;
    bool m_savedChinese;
    QString m_savedExe;
    QString m_savedThird;
};

// The whole content of a file; empty when it cannot be read.
QByteArray fileBytes(const QString &file);
// The files below folder, relative to it, sorted.
QStringList filesBelow(const QString &folder);

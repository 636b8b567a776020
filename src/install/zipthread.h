#pragma once

#include <QString>
#include <QThread>

// Unpacks the client package on a worker thread, reporting each unpacked entry.
class ZipThread : public QThread
{
    Q_OBJECT
public:
    explicit ZipThread(QObject *parent = nullptr);

    void setPaths(const QString &archive, const QString &target);

signals:
    // Once per unpacked entry, delivered on the thread that owns this object.
    void oneOk();

protected:
    void run() override;

private:
    QString m_archive;
    QString m_target;
};

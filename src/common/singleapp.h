#pragma once

#include <QApplication>

class QLocalServer;
class QLocalSocket;

// The application object of every program of the suite. The three programs share one local
// endpoint, so at most one of them runs at a time.
class SingleApp : public QApplication
{
    Q_OBJECT
public:
    static const char *const endpointName;

    SingleApp(int &argc, char **argv);

    // True when another program of the suite already owns the endpoint; otherwise this process
    // becomes the owner and false is returned.
    bool exist();

signals:
    // Emitted by the owner each time another program of the suite tried to start.
    void showUp();

private:
    QLocalSocket *socket = nullptr;
    QLocalServer *server = nullptr;
};

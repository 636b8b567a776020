#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

class QSettings;

// Base of every window of the suite: the frameless, draggable window with its painted outline,
// the product's branding and settings, and the helpers for processes, files and the registry.
class BaseWidget : public QWidget
{
    Q_OBJECT
public:
    // Loads branding and settings. Ends the process with exit code 0 when neither "TS.ini" lies
    // beside the program nor an installation of the product is recorded.
    explicit BaseWidget(QWidget *parent = nullptr);
    ~BaseWidget() override;

    // Decides the interface language from lang, stores it in chinese and returns it.
    bool isChinese();
    // "TesmarKD" for the partner code "KDRender", "TesmarQLV" for every other code.
    static QString productKey();
    // The partner code of "TS.ini" beside the program, read afresh.
    static QString iniThird();
    QSettings *productSettings() const;

    // Process-wide: the client executable's file name, the partner code, the interface language.
    static QString exe;
    static QString third;
    static bool chinese;

    // The folder in which the program looks for "TS.ini" and "service.ini": the application's
    // folder, unless a test has put a sandbox in its place.
    static QString programDir();
    static void setProgramDirForTesting(const QString &dir);

    static bool existProcess(QString name);
    static void killProcess(const QString &name);
    void veryDel(const QString &path);
    static QString readReg(const QString &subKey, const QString &valueName);
    QString startMenuPath();
    QString desktopPath();

    QPoint dragOffset;
    QString name;
    QString nameEN;
    QString mark;
    QString lang;
    QString appDir;
    QString installDir;
    QSettings *uninstallReg = nullptr;
    QSettings *runReg = nullptr;
    QSettings *productReg = nullptr;
    QSettings *companyReg = nullptr;
    QString bsServer;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    virtual bool canDrag(QMouseEvent *event);

private:
    void loadFromRegistry();
    void loadFromIni();
};

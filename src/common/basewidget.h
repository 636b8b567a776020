#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

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
    // The "Installdir" of one 3ds Max installation: version key such as "16.0" or
    // "14.0\MAX-1:804", flavour 1 for "3dsMax", any other for "3dsMaxDesign"; empty when absent.
    static QString maxInstallDir(const QString &version, int flavour);
    // The start-up script folders of every 3ds Max 2010 to 2018 installation that has one, with
    // "/" separators and no trailing one, in the order of the version keys.
    static QStringList allMaxPath();
    QString startMenuPath();
    QString desktopPath();
    // The two programs-menu shortcuts of the product in folder: "启动"/"start " + name to the
    // client, "卸载"/"uninstall " + name to the uninstaller. The folder is made with all its levels.
    void createMenuShortcuts(const QString &folder, const QString &client, const QString &uninstaller);
    // Writes the 32-bit images of the icon file into the executable as its icon images 7 to 1.
    // False when the icon file cannot be read, holds no 32-bit image or the executable cannot be
    // updated; then the executable is unchanged.
    bool ChangeExeIcon(const QString &iconFile, const QString &exeFile);

    // Ends the program at once with the exit code, from wherever it is. A test can put a
    // recorder in its place; then the call returns and the caller returns too.
    static void endProgram(int code);
    static void setEndProgramForTesting(const std::function<void(int)> &handler);

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

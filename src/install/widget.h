#pragma once

#include "basewidget.h"

#include <memory>

namespace Ui {
class Widget;
}
class ZipThread;

// The installer's window: one-click installation into a default folder, or a custom folder and
// options behind the "custom" toggle; after the installation its main button starts the client.
class Widget : public BaseWidget
{
    Q_OBJECT
public:
    static const QString installerVersion;

    explicit Widget(BaseWidget *parent = nullptr);
    ~Widget() override;

    // Starts an installation under root at once (an earlier installation's root); empty: nothing.
    void setInstallRoot(const QString &root);
    void setProgress(int value);

    // The versioned install folder: root, product key, version and time stamp "sszzz".
    static QString versionedDir(const QString &root, const QString &key, const QString &version,
                                const QString &stamp, QChar separator);
    // The default install root: the program-files folder and a folder named after the brand.
    static QString defaultRoot(const QString &programFiles, const QString &third, QChar separator);

signals:
    // The installation procedure has run.
    void installationFinished();

public slots:
    void on_install_clicked();
    void on_para_clicked();
    void on_minBtn_clicked();
    void on_closeBtn_clicked();
    void on_browse_clicked();
    void zipOver();
    void oneOk();

private:
    QString clientPath() const;
    void createShortcuts();
    void writeUninstallEntry();
    void writeProductSettings();
    void removeGeneralEditionFiles();
    void launch();

    std::unique_ptr<Ui::Widget> ui;
    ZipThread *m_zipThread = nullptr;
    // Unpacked entries reported so far; the progress is a third of it.
    int m_entryCount = 0;
};

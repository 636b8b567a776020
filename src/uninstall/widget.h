#pragma once

#include "basewidget.h"

#include <QPointer>

#include <memory>

class QButtonGroup;
class QNetworkAccessManager;
class QNetworkReply;

namespace Ui {
class Widget;
}

// The uninstaller's window: the confirmation page, the reason survey (Chinese standard builds
// only), the removal and the finish view beneath the pages.
class Widget : public BaseWidget
{
    Q_OBJECT
public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

    // Stops the client and removes shortcuts, files, registry entries and 3ds Max start-up
    // scripts. Runs once, from the commit.
    void doUninstall();

    QNetworkAccessManager *netManager = nullptr;
    QButtonGroup *reasonGroup = nullptr;
    bool uninstalled = false;

private slots:
    void on_uninstall_clicked();
    void on_uninstall_commit_clicked();
    void on_uninstall_ok_clicked();
    void on_minBtn_clicked();
    void on_closeBtn_clicked();
    void on_cancel_clicked();
    void checkToggle(int idx, bool check);
    void repllyFinished(QNetworkReply *reply);
    void on_textEdit_textChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void setProgress(int value);
    void sendAnswer();

    std::unique_ptr<Ui::Widget> ui;
    // The pages go when the removal starts; replies arriving later find no options to fill.
    QPointer<QWidget> m_pages;
    // The folder handed to the clean-up script; empty when the installation folder was not the
    // installer's layout and nothing may be deleted.
    QString m_productFolder;
};

#pragma once

#include "basewidget.h"

#include <memory>

namespace Ui {
class Widget;
}
class UpdateWork;

// The updater's window: release notes, progress, one button that retries after a failure and
// starts the new client after success.
class Widget : public BaseWidget
{
    Q_OBJECT
public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

    QString newDir;

    // The new installation folder beside current: version, ".", the time stamp "sszzz".
    static QString newDirFor(const QString &current, const QString &version, const QString &stamp);
    // The brand code of a partner code: "Render" taken out ("KDRender" gives "KD").
    static QString brandCode(const QString &third);

signals:
    // The update has been applied and the window offers "Finish".
    void updateApplied();

public slots:
    void on_minBtn_clicked();
    void on_closeBtn_clicked();
    void on_update_clicked();
    void error(int err);
    void pro(int pro);
    void content(QString note);

private:
    void applyUpdate();
    void discardAttempt();

    std::unique_ptr<Ui::Widget> ui;
    QThread *m_thread = nullptr;
    UpdateWork *m_work = nullptr;
};

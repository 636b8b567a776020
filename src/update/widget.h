#pragma once

#include "basewidget.h"

#include <memory>

namespace Ui {
class Widget;
}

class Widget : public BaseWidget
{
    Q_OBJECT
public:
    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

private:
    std::unique_ptr<Ui::Widget> ui;
};

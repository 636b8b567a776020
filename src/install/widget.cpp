#include "widget.h"

#include "ui_widget.h"

Widget::Widget(QWidget *parent)
    : BaseWidget(parent)
    , ui(std::make_unique<Ui::Widget>())
{
    ui->setupUi(this);
    ui->title->setText(chinese ? name : nameEN);
}

Widget::~Widget() = default;

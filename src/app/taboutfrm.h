#pragma once
// The About box: product title, a notice line, a picture, the web address as a
// link and the version. Created once at start-up and shown modally by the main
// window.

#include "ui_taboutfrm.h"

#include <QDialog>

class Taboutfrm : public QDialog, public Ui::Taboutfrm {
    Q_OBJECT
public:
    explicit Taboutfrm(QWidget* parent = nullptr);
    ~Taboutfrm() override;

    static const char* WebAddress();

    void Button1Click();
    void Label3Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern Taboutfrm* aboutfrm;

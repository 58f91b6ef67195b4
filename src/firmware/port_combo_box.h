#pragma once
// The port drop-down of the multiple firmware window: it says when its list is
// about to drop down, whether a click or a key opened it, so that the window can
// fill it with the ports there are then.

#include <QComboBox>

class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override {
        emit aboutToDropDown();
        QComboBox::showPopup();
    }

signals:
    void aboutToDropDown();
};

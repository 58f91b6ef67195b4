#include "app/tpohjafrm.h"

#include <QMdiArea>

TPohjafrm* Pohjafrm = nullptr;

TPohjafrm::TPohjafrm(QWidget* parent) : QMainWindow(parent), mdiArea_(new QMdiArea(this)) {
    setCentralWidget(mdiArea_);
    setWindowTitle("TERAMONDO Quovix 5.2.1");
    Pohjafrm = this;
}

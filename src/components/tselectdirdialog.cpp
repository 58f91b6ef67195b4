#include "components/tselectdirdialog.h"

#include "components/tselectdirform.h"

#include <QApplication>

TSelectDirDialog::TSelectDirDialog(QObject* owner) : QObject(owner) {}

bool TSelectDirDialog::Execute() {
    bool result = false;
    TSelectDirForm form(QApplication::activeWindow(), &Dir, &result);
    form_ = &form;
    if (!InitialDir.empty())
        form.vSetStartDir(InitialDir);
    form.setWindowTitle(QString::fromStdString(Caption));
    form.exec();
    form_ = nullptr;
    return result;
}

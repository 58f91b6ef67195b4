#pragma once
// A dialog component that lets the user pick a directory in a modal form of its
// own (components/tselectdirform.h), where folders can also be made and removed.

#include <QObject>

#include <string>

class TSelectDirForm;

class TSelectDirDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString InitialDir READ qInitialDir WRITE qSetInitialDir)
    Q_PROPERTY(QString Dir READ qDir WRITE qSetDir)
    Q_PROPERTY(QString Caption READ qCaption WRITE qSetCaption)
public:
    explicit TSelectDirDialog(QObject* owner = nullptr);

    // True when the user chose OK; Dir then holds the directory. Cancel empties
    // Dir; closing the form otherwise leaves it.
    bool Execute();
    // The form while Execute runs, else null.
    TSelectDirForm* Form() const { return form_; }

    // Shown first; empty starts in the current directory.
    std::string InitialDir;
    std::string Dir;
    std::string Caption = "Select Directory";

private:
    QString qInitialDir() const { return QString::fromStdString(InitialDir); }
    void qSetInitialDir(const QString& text) { InitialDir = text.toStdString(); }
    QString qDir() const { return QString::fromStdString(Dir); }
    void qSetDir(const QString& text) { Dir = text.toStdString(); }
    QString qCaption() const { return QString::fromStdString(Caption); }
    void qSetCaption(const QString& text) { Caption = text.toStdString(); }

    TSelectDirForm* form_ = nullptr;
};

#pragma once
// A group box of radio buttons chosen by position, as the dialogs of the program
// use them: a list of item texts laid out in columns (filled top to bottom, column
// by column), the chosen position (-1 for none) and a signal when the user clicks
// an item. Setting the position from code sends no signal.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int columns READ columns WRITE setColumns)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    QStringList items() const { return items_; }
    void setItems(const QStringList& items);
    void addItem(const QString& item);
    int count() const { return static_cast<int>(items_.size()); }

    int columns() const { return columns_; }
    void setColumns(int columns);

    int itemIndex() const;
    void setItemIndex(int index);

    QRadioButton* button(int index) const;

signals:
    void itemClicked(int index);

private:
    void rebuild();

    QStringList items_;
    int columns_ = 1;
    QGridLayout* grid_;
    QButtonGroup* buttons_;
};

#pragma once

#include "legacystate.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

/// The print-options window "打印选项": shows how many records there are and how many pages
/// they take, and confirms a range or all records. It reports its outcome in `biaozi`
/// (10 print, 30 cancelled, 100 while open) and the range in `kai`/`jie`.
class Form2 : public QWidget
{
    Q_OBJECT
    friend struct Form2Probe;

public:
    explicit Form2(legacy::LegacyState &state, QWidget *parent = nullptr);

signals:
    /// The window is closing, by either button or its title bar: the main form comes back now.
    void handingBack();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();

    legacy::LegacyState &state;

    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
};

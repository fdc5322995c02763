#pragma once

#include <QWidget>

class FormTimer;
class QLabel;

/// The splash window: two pictures that alternate, a link hotspot that opens the maker's web
/// site, and a click anywhere else that hands over to the main form.
class Form3 : public QWidget
{
    Q_OBJECT
    friend struct Form3Probe;

public:
    explicit Form3(QWidget *parent = nullptr);

signals:
    /// A picture was clicked: show the main form; the splash window closes right after.
    void handOver();

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();
    void Picture_Click();
    void Image1_Click();

    QLabel *Picture1 = nullptr;
    QLabel *Picture2 = nullptr;
    QWidget *Image1 = nullptr;
    FormTimer *Timer1 = nullptr;
    FormTimer *Timer2 = nullptr;
};

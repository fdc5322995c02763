#pragma once

#include "commondialog.h"
#include "legacystate.h"
#include "recordtext.h"

#include <QWidget>

class ClickLabel;
class FormTimer;
class MSComm;
class PictureBox;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTextEdit;
class ShapeLamp;

/// The legacy console's main form. All lasting state lives in the `LegacyState` it is given,
/// which outlives the form: unloading and reloading the form (printing does) keeps it, and
/// the start-up sequence that runs on every load resets what it resets.
class Form1 : public QWidget
{
    Q_OBJECT
    // Tests reach the controls and handlers the way the form's own parts do.
    friend struct Form1Probe;

public:
    /// Builds the form and runs the start-up sequence (the form's load).
    explicit Form1(legacy::LegacyState &state, QWidget *parent = nullptr);

    /// Loads and shows a main form that deletes itself when closed: at start-up, after the
    /// splash window and when the print-options window hands back.
    static Form1 *load(legacy::LegacyState &state);

    /// Steps to the next serial port and opens it.
    void com_st();
    /// Sends `pendingCommand` twice while the port is open, then empties the mailbox.
    void sendPendingCommand();
    /// Closes and reopens the port the last search step opened, without stepping.
    void reopenPort();

    /// The live display's formatter: `fmtType`/`fmtText` into `fmtText`, re-evaluating the alarm
    /// condition `overLimit` against the threshold box.
    void formatReading();

    /// Shows record page `page` in the two record boxes.
    void ShowRecordPage(qint16 page);
    /// Clears and redraws the trend chart.
    void RedrawChart();
    /// Draws the chart frame and the curve in `plotBuf`.
    void DrawChart();
    /// Shows the resistance at the pointer position (twips) in the read-out box.
    void ShowCursorValue(double x, double y);

    /// The rest of the print command once the print-options window handed back: prints the
    /// confirmed range, then marks the window idle again.
    void finishPrintCommand();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildTimers();
    void setupRecordsArea();
    void Form_Load();
    void keepOuterSize();
    void showSystemMessage(const QString &text);
    void setRecordBoxesVisible(bool visible);
    void setRecordBoxText(QTextEdit *box, const QString &text);
    legacy::ValueFormatter valueFormatter();
    void saveRecords();
    void saveChart();
    void reportSaveFailure();
    void printConfirmedRange();
    void reportFailure(const QString &text);

    void MSComm1_OnComm();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void Timer5_Timer();
    void Timer6_Timer();
    void Timer7_Timer();
    void Timer8_Timer();
    void Timer9_Timer();
    void Timer10_Timer();
    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void Command15_Click();
    void Command16_Click();
    void Text4_Change();
    void Label20_Click();
    void Picture2_MouseDown(Qt::MouseButton button, double x, double y);
    void Picture2_MouseUp(Qt::MouseButton button, double x, double y);
    void Picture2_MouseMove(Qt::MouseButtons buttons, double x, double y);

    legacy::LegacyState &state;
    int label20Left = 120; ///< twips

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label15 = nullptr;
    QLabel *Label16 = nullptr;
    QLabel *Label17 = nullptr;
    QLabel *Label18 = nullptr;
    QLabel *Label19 = nullptr;
    ClickLabel *Label20 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text4 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QRadioButton *Option3 = nullptr;
    QFrame *Frame1 = nullptr;
    QFrame *Frame5 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QGroupBox *Frame9 = nullptr;
    QGroupBox *Frame11 = nullptr;
    QGroupBox *Frame12 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command9 = nullptr;
    QPushButton *Command12 = nullptr;
    QPushButton *Command13 = nullptr;
    QPushButton *Command14 = nullptr;
    QPushButton *Command15 = nullptr;
    QPushButton *Command16 = nullptr;
    QComboBox *Combo2 = nullptr;
    ShapeLamp *Shape1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QCheckBox *Check4 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    PictureBox *Picture2 = nullptr;
    QTextEdit *RichTextBox1 = nullptr;
    QTextEdit *RichTextBox2 = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *Line2 = nullptr;
    MSComm *MSComm1 = nullptr;
    CommonDialog CommonDialog1;
    FormTimer *Timer1 = nullptr;
    FormTimer *Timer2 = nullptr;
    FormTimer *Timer3 = nullptr;
    FormTimer *Timer4 = nullptr;
    FormTimer *Timer5 = nullptr;
    FormTimer *Timer6 = nullptr;
    FormTimer *Timer7 = nullptr;
    FormTimer *Timer8 = nullptr;
    FormTimer *Timer9 = nullptr;
    FormTimer *Timer10 = nullptr;
};

// The console window's widget tree, sizes, connections, style sheet, resizing and log panel.
#include "windowfixture.h"

#include <QAbstractButton>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTime>

namespace
{

QString describe(const QLayout *layout);

// Class, object name and visible text of a widget; combo boxes without their items, which
// the port scan rewrites at start-up.
QString describe(const QWidget *widget)
{
    QString text;
    if (const auto *group = qobject_cast<const QGroupBox *>(widget))
        text = group->title();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        text = button->text();
    else if (const auto *label = qobject_cast<const QLabel *>(widget))
        text = label->text();

    QString d = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty())
        d += '#' + widget->objectName();
    if (!text.isEmpty())
        d += '\'' + text + '\'';
    return d;
}

// A layout as kind(items): a nested layout in place, "~" for a stretch, "*n" for a stretch
// factor, "row,column:" in front of grid items.
QString describe(const QLayout *layout)
{
    QString kind = "V";
    if (qobject_cast<const QGridLayout *>(layout))
        kind = "G";
    else if (qobject_cast<const QHBoxLayout *>(layout))
        kind = "H";

    QStringList items;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        QString d = item->widget()   ? describe(item->widget())
                    : item->layout() ? describe(item->layout())
                                     : QStringLiteral("~");
        if (const auto *box = qobject_cast<const QBoxLayout *>(layout)) {
            if (box->stretch(i) != 0)
                d += QStringLiteral("*%1").arg(box->stretch(i));
        } else if (const auto *grid = qobject_cast<const QGridLayout *>(layout)) {
            int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
            d = QStringLiteral("%1,%2:").arg(row).arg(column) + d;
        }
        items << d;
    }
    return kind + '(' + items.join(", ") + ')';
}

QGroupBox *groupBox(QWidget *root, const QString &title)
{
    const QList<QGroupBox *> groups = root->findChildren<QGroupBox *>();
    for (QGroupBox *group : groups) {
        if (group->title() == title)
            return group;
    }
    return nullptr;
}

QPushButton *buttonWithText(QWidget *root, const QString &text)
{
    const QList<QPushButton *> buttons = root->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// One rule of a style sheet: its selectors and its declarations, each in order and with
// whitespace collapsed.
struct Rule {
    QStringList selectors;
    QStringList declarations;
};

QList<Rule> parseSheet(QString sheet)
{
    sheet.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                    QRegularExpression::DotMatchesEverythingOption));
    QList<Rule> rules;
    qsizetype at = 0;
    while (true) {
        const qsizetype open = sheet.indexOf('{', at);
        if (open < 0)
            break;
        const qsizetype close = sheet.indexOf('}', open);
        Rule rule;
        const QStringList selectors = sheet.mid(at, open - at).split(',');
        for (const QString &selector : selectors)
            rule.selectors << selector.simplified();
        const QStringList declarations = sheet.mid(open + 1, close - open - 1).split(';');
        for (const QString &declaration : declarations) {
            if (!declaration.simplified().isEmpty())
                rule.declarations << declaration.simplified();
        }
        rules << rule;
        at = close + 1;
    }
    return rules;
}

const QList<Rule> &expectedRules()
{
    static const QList<Rule> rules = {
        {{"*"},
         {R"(font-family: "Segoe UI", "Microsoft YaHei", Arial, sans-serif)", "font-size: 13px",
          "color: #E0E0E0"}},
        {{"QMainWindow", "#CentralWidget"}, {"background-color: #1E1E1E"}},
        {{"QTabWidget::pane"},
         {"border: 1px solid #3F3F46", "background: #252526", "border-radius: 4px",
          "margin-top: -1px"}},
        {{"QTabBar::tab"},
         {"background: #2D2D30", "border: 1px solid #3F3F46", "padding: 8px 20px",
          "margin-right: 2px", "border-top-left-radius: 4px", "border-top-right-radius: 4px"}},
        {{"QTabBar::tab:selected"},
         {"background: #007ACC", "color: #FFFFFF", "font-weight: bold",
          "border-bottom-color: #007ACC"}},
        {{"QTabBar::tab:hover:!selected"}, {"background: #3E3E42"}},
        {{"QGroupBox"},
         {"border: 1px solid #3F3F46", "border-radius: 4px", "margin-top: 15px",
          "background-color: #252526"}},
        {{"QGroupBox::title"},
         {"subcontrol-origin: margin", "subcontrol-position: top left", "padding: 0 5px",
          "left: 10px", "color: #AAAAAA"}},
        {{"QPushButton"},
         {"background-color: #333337", "border: 1px solid #3F3F46", "border-radius: 4px",
          "padding: 6px 12px", "color: #D4D4D4", "min-height: 32px"}},
        {{"QPushButton:hover"}, {"background-color: #3E3E42", "border: 1px solid #007ACC"}},
        {{"QPushButton:pressed"}, {"background-color: #1C97EA", "color: white"}},
        {{"QPushButton#BtnPrimary"},
         {"background-color: #007ACC", "border: none", "color: white", "font-weight: bold"}},
        {{"QPushButton#BtnPrimary:hover"}, {"background-color: #1C97EA"}},
        {{"QPushButton#BtnStart:checked"}, {"background-color: #D32F2F", "color: white"}},
        {{"QComboBox", "QSpinBox", "QDoubleSpinBox"},
         {"background-color: #333337", "border: 1px solid #3F3F46", "border-radius: 4px",
          "padding: 4px 8px", "color: #E0E0E0"}},
        {{"QComboBox:hover:!disabled", "QSpinBox:hover:!disabled"}, {"border: 1px solid #007ACC"}},
        {{"QComboBox::drop-down"},
         {"border-left: 1px solid #3F3F46", "width: 24px", "border-top-right-radius: 3px",
          "border-bottom-right-radius: 3px"}},
        {{"QComboBox QAbstractItemView"},
         {"background-color: #252526", "border: 1px solid #007ACC", "color: #E0E0E0",
          "selection-background-color: #007ACC", "selection-color: #FFFFFF", "outline: none"}},
        {{"QComboBox:disabled", "QSpinBox:disabled", "QDoubleSpinBox:disabled"},
         {"background-color: #252526", "color: #777777", "border: 1px solid #333337"}},
        {{"QLabel#HugeDataLabel"},
         {"font-size: 64px", "font-weight: bold", "color: #4CAF50",
          R"(font-family: "Consolas", "Courier New", monospace)"}},
        {{"QTableWidget"},
         {"background-color: #1E1E1E", "gridline-color: #3F3F46", "border: 1px solid #3F3F46"}},
        {{"QHeaderView::section"},
         {"background-color: #2D2D30", "padding: 4px", "border: 1px solid #3F3F46",
          "font-weight: bold"}},
        {{"QTextEdit"},
         {"background-color: #1E1E1E", "border: 1px solid #3F3F46",
          R"(font-family: "Consolas", monospace)", "color: #4CAF50"}},
        {{"QGroupBox#AlarmGroup"}, {"border: 1px solid #B71C1C"}},
        {{"QGroupBox#AlarmGroup::title"}, {"color: #EF5350"}},
        {{"QTableCornerButton::section"},
         {"background-color: #2D2D30", "border: 1px solid #3F3F46"}},
        {{"QHeaderView::section:vertical"},
         {"background-color: #2D2D30", "color: #AAAAAA", "border: 1px solid #3F3F46",
          "padding-left: 4px", "padding-right: 4px"}},
        {{"QHeaderView"}, {"background-color: #2D2D30", "border: none"}},
        {{"QAbstractScrollArea::corner"}, {"background-color: #1E1E1E", "border: none"}},
        {{"QScrollBar:vertical", "QScrollBar:horizontal"},
         {"background-color: #1E1E1E", "border: none", "width: 12px", "height: 12px"}},
        {{"QScrollBar::handle:vertical", "QScrollBar::handle:horizontal"},
         {"background-color: #424242", "border-radius: 6px", "min-height: 20px",
          "min-width: 20px"}},
        {{"QScrollBar::handle:vertical:hover", "QScrollBar::handle:horizontal:hover"},
         {"background-color: #686868"}},
        {{"QScrollBar::add-line:vertical", "QScrollBar::sub-line:vertical",
          "QScrollBar::add-line:horizontal", "QScrollBar::sub-line:horizontal"},
         {"border: none", "background: none", "width: 0px", "height: 0px"}},
        {{"QScrollBar::add-page:vertical", "QScrollBar::sub-page:vertical",
          "QScrollBar::add-page:horizontal", "QScrollBar::sub-page:horizontal"},
         {"background: none"}},
        {{"QMessageBox"}, {"background-color: #1E1E1E", "border: 1px solid #3F3F46"}},
        {{"QMessageBox QLabel"},
         {"color: #E0E0E0", "font-size: 14px", "background-color: transparent"}},
        {{"QMessageBox QPushButton"},
         {"background-color: #333337", "border: 1px solid #3F3F46", "border-radius: 4px",
          "padding: 6px 15px", "color: #D4D4D4", "min-width: 60px"}},
        {{"QMessageBox QPushButton:hover"},
         {"background-color: #007ACC", "color: white", "border: 1px solid #007ACC"}},
        {{"QMessageBox QPushButton:pressed"}, {"background-color: #1C97EA"}},
    };
    return rules;
}

QRegularExpression logLine(const QString &message)
{
    return QRegularExpression(QStringLiteral("^\\[(\\d\\d:\\d\\d:\\d\\d)\\] ") +
                              QRegularExpression::escape(message) + '$');
}

} // namespace

class TestMainWindowUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void layouts_data();
    void layouts();
    void memberTexts_data();
    void memberTexts();
    void controlSettings();
    void historyTable();
    void sizesAcrossResizes();
    void connections_data();
    void connections();
    void autoTestToggleConnected();

    void styleSheetRules();
    void styleSheetTakesEffect();

    void overlayFollowsResize();

    void logFirstLine();
    void logLines_data();
    void logLines();
    void logColouredLine();
    void logScrolling();

private:
    std::unique_ptr<WindowFixture> fixture;
    MainWindow *w = nullptr;
};

void TestMainWindowUi::initTestCase()
{
    fixture = std::make_unique<WindowFixture>();
    QVERIFY(fixture->ready);
    w = fixture->window.get();
}

void TestMainWindowUi::cleanupTestCase()
{
    fixture.reset();
}

void TestMainWindowUi::layouts_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("expected");

    QTest::newRow("central") << "CentralWidget"
                             << "V(QTabWidget, QGroupBox'通信日志简报')";
    QTest::newRow("live page") << "pageRealtime"
                               << "H(V(QGroupBox'最新请求数据'*1, QGroupBox'实时电阻趋势图'*3), "
                                  "QWidget)";
    QTest::newRow("reading group") << "最新请求数据"
                                   << "V(H(QLabel'当前模式: 等待数据...', ~, QComboBox), "
                                      "QLabel#HugeDataLabel'---', ~)";
    QTest::newRow("chart group") << "实时电阻趋势图"
                                 << "V(QChartView)";
    QTest::newRow("right panel") << "right panel"
                                 << "V(QGroupBox'通信连接', QGroupBox'自动测试', "
                                    "QGroupBox'手动控制', QGroupBox#AlarmGroup'安全报警系统', ~)";
    QTest::newRow("link group") << "通信连接"
                                << "V(QComboBox, QPushButton#BtnPrimary'重新扫描/握手')";
    QTest::newRow("automatic test group")
        << "自动测试"
        << "V(H(QLabel'周期(秒):', QSpinBox), QPushButton#BtnStart'▶ 开始自动测试')";
    QTest::newRow("manual group") << "手动控制"
                                  << "G(0,0:QPushButton'线阻校验', 0,1:QPushButton'单次测试', "
                                     "1,0:QPushButton'开背光', 1,1:QPushButton'关背光', "
                                     "2,0:QPushButton'开蜂鸣器', 2,1:QPushButton'关蜂鸣器')";
    QTest::newRow("alarm group")
        << "安全报警系统"
        << "V(H(QLabel'阈值(Ω):', QDoubleSpinBox), QCheckBox'开启超限报警')";
    QTest::newRow("history page")
        << "pageHistory"
        << "V(QTableWidget, H(QPushButton'上一页', QLabel' 第 1 / 1 页 ', QPushButton'下一页', ~, "
           "QPushButton'🗑️ 清除记录', QPushButton#BtnPrimary'📁 导出 CSV', "
           "QPushButton#BtnStart'🔄 同步设备数据', QProgressBar))";
    QTest::newRow("log group") << "通信日志简报"
                               << "V(QTextEdit)";
}

void TestMainWindowUi::layouts()
{
    QFETCH(QString, container);
    QFETCH(QString, expected);

    const QHash<QString, QWidget *> members = MainWindowProbe::widgets(*w);
    QWidget *widget = nullptr;
    if (container == "CentralWidget")
        widget = w->centralWidget();
    else if (container == "right panel")
        widget = members["pageRealtime"]->layout()->itemAt(1)->widget();
    else if (members.contains(container))
        widget = members[container];
    else
        widget = groupBox(w, container);
    QVERIFY(widget);
    QVERIFY(widget->layout());
    QCOMPARE(describe(widget->layout()), expected);
}

void TestMainWindowUi::memberTexts_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("objectName");

    QTest::newRow("labelMode") << "labelMode"
                               << "当前模式: 等待数据..."
                               << "";
    QTest::newRow("labelHugeData") << "labelHugeData"
                                   << "---"
                                   << "HugeDataLabel";
    QTest::newRow("btnScan") << "btnScan"
                             << "重新扫描/握手"
                             << "BtnPrimary";
    QTest::newRow("btnAutoTest") << "btnAutoTest"
                                 << "▶ 开始自动测试"
                                 << "BtnStart";
    QTest::newRow("btnSingleTest") << "btnSingleTest"
                                   << "单次测试"
                                   << "";
    QTest::newRow("chkAlarmEnable") << "chkAlarmEnable"
                                    << "开启超限报警"
                                    << "";
    QTest::newRow("btnPrevPage") << "btnPrevPage"
                                 << "上一页"
                                 << "";
    QTest::newRow("labelPage") << "labelPage"
                               << " 第 1 / 1 页 "
                               << "";
    QTest::newRow("btnNextPage") << "btnNextPage"
                                 << "下一页"
                                 << "";
    QTest::newRow("btnClearHistory") << "btnClearHistory"
                                     << "🗑\uFE0F 清除记录"
                                     << "";
    QTest::newRow("btnExport") << "btnExport"
                               << "📁 导出 CSV"
                               << "BtnPrimary";
    QTest::newRow("btnSyncHistory") << "btnSyncHistory"
                                    << "🔄 同步设备数据"
                                    << "BtnStart";
}

void TestMainWindowUi::memberTexts()
{
    QFETCH(QString, member);
    QFETCH(QString, text);
    QFETCH(QString, objectName);

    QWidget *widget = MainWindowProbe::widgets(*w).value(member);
    QVERIFY(widget);
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), text);
    else
        QCOMPARE(qobject_cast<QLabel *>(widget)->text(), text);
    QCOMPARE(widget->objectName(), objectName);
}

void TestMainWindowUi::controlSettings()
{
    const QHash<QString, QWidget *> m = MainWindowProbe::widgets(*w);

    auto *tabs = qobject_cast<QTabWidget *>(m["tabWidget"]);
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->widget(0), m["pageRealtime"]);
    QCOMPARE(tabs->widget(1), m["pageHistory"]);
    QCOMPARE(tabs->tabText(0), "⚡ 实时监测");
    QCOMPARE(tabs->tabText(1), "📊 历史数据");
    QCOMPARE(tabs->currentIndex(), 0);

    auto *selector = qobject_cast<QComboBox *>(m["comboResDisplayMode"]);
    QCOMPARE(selector->count(), 3);
    QCOMPARE(selector->itemText(0), "显示: 平均电阻");
    QCOMPARE(selector->itemText(1), "显示: 最大电阻");
    QCOMPARE(selector->itemText(2), "显示: 最小电阻");
    QVERIFY(!selector->isEnabled());

    auto *huge = qobject_cast<QLabel *>(m["labelHugeData"]);
    QCOMPARE(huge->alignment(), Qt::AlignCenter);
    QCOMPARE(m["labelMode"]->styleSheet(), "color: #AAAAAA; font-weight: bold;");
    QCOMPARE(qobject_cast<QLabel *>(m["labelPage"])->alignment(), Qt::AlignCenter);

    auto *period = qobject_cast<QSpinBox *>(m["spinAutoTestPeriod"]);
    QCOMPARE(period->minimum(), 1);
    QCOMPARE(period->maximum(), 3600);
    QCOMPARE(period->value(), 10);

    auto *threshold = qobject_cast<QDoubleSpinBox *>(m["spinAlarmThreshold"]);
    QCOMPARE(threshold->minimum(), 0.0);
    QCOMPARE(threshold->maximum(), 30000.0);
    QCOMPARE(threshold->value(), 150.0);
    QCOMPARE(threshold->decimals(), 2);

    QVERIFY(qobject_cast<QPushButton *>(m["btnAutoTest"])->isCheckable());
    QVERIFY(!qobject_cast<QPushButton *>(m["btnSyncHistory"])->isCheckable());
    QVERIFY(!qobject_cast<QCheckBox *>(m["chkAlarmEnable"])->isChecked());

    auto *progress = qobject_cast<QProgressBar *>(m["progressSync"]);
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 100);
    QCOMPARE(progress->value(), 0);
    QVERIFY(progress->isTextVisible());
    QVERIFY(progress->isHidden());

    QVERIFY(qobject_cast<QTextEdit *>(m["textLog"])->isReadOnly());
}

void TestMainWindowUi::historyTable()
{
    auto *table = qobject_cast<QTableWidget *>(MainWindowProbe::widgets(*w)["tableHistory"]);
    QCOMPARE(table->columnCount(), 7);
    const QStringList headers = {"记录序号", "数据类型", "平均值/电压", "最大阻值",
                                 "最小阻值", "单位",     "电池状态"};
    for (int column = 0; column < 7; ++column) {
        QCOMPARE(table->horizontalHeaderItem(column)->text(), headers[column]);
        QCOMPARE(table->horizontalHeader()->sectionResizeMode(column), QHeaderView::Stretch);
    }
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(table->verticalHeader()->isVisibleTo(table));
}

// The right panel and the log keep their size; the left column and the tab area take the rest.
// The chart group gets three times the reading group's height unless that would squeeze the
// reading group below its minimum, which happens at the default height.
void TestMainWindowUi::sizesAcrossResizes()
{
    const QHash<QString, QWidget *> m = MainWindowProbe::widgets(*w);
    QWidget *rightPanel = m["pageRealtime"]->layout()->itemAt(1)->widget();
    QGroupBox *log = groupBox(w, "通信日志简报");
    QGroupBox *reading = groupBox(w, "最新请求数据");
    QGroupBox *chart = groupBox(w, "实时电阻趋势图");

    QCOMPARE(w->minimumSize(), QSize(950, 750));
    for (const QSize size :
         {QSize(1200, 800), QSize(1600, 1000), QSize(1300, 1200), QSize(950, 750)}) {
        w->resize(size);
        QTRY_COMPARE_WITH_TIMEOUT(w->size(), size, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(m["tabWidget"]->width(), size.width() - 20, 10000);
        QCOMPARE(rightPanel->width(), 340);
        QCOMPARE(log->height(), 150);
        QCOMPARE(m["tabWidget"]->height(), size.height() - 20 - 10 - 150);
        const int readingMinimum = reading->minimumSizeHint().height();
        const int share = (reading->height() + chart->height()) / 4;
        const QString heights =
            QStringLiteral("reading %1, chart %2").arg(reading->height()).arg(chart->height());
        if (share >= readingMinimum)
            QVERIFY2(qAbs(chart->height() - 3 * reading->height()) <= 3, qPrintable(heights));
        else
            QVERIFY2(reading->height() == readingMinimum, qPrintable(heights));
    }
    w->resize(600, 400);
    QTRY_COMPARE_WITH_TIMEOUT(w->size(), QSize(950, 750), 10000);
    w->resize(1200, 800);
    QTRY_COMPARE_WITH_TIMEOUT(w->size(), QSize(1200, 800), 10000);
}

void TestMainWindowUi::connections_data()
{
    QTest::addColumn<QString>("buttonText");
    QTest::addColumn<QString>("slot");

    QTest::newRow("calibrate") << "线阻校验"
                               << "onBtnCalibrateClicked";
    QTest::newRow("single test") << "单次测试"
                                 << "onBtnSingleTestClicked";
    QTest::newRow("backlight on") << "开背光"
                                  << "onBtnBLOnClicked";
    QTest::newRow("backlight off") << "关背光"
                                   << "onBtnBLOffClicked";
    QTest::newRow("buzzer on") << "开蜂鸣器"
                               << "onBtnBeepOnClicked";
    QTest::newRow("buzzer off") << "关蜂鸣器"
                                << "onBtnBeepOffClicked";
    QTest::newRow("previous page") << "上一页"
                                   << "onBtnPrevPageClicked";
    QTest::newRow("next page") << "下一页"
                               << "onBtnNextPageClicked";
    QTest::newRow("clear history") << "🗑️ 清除记录"
                                   << "onBtnClearHistoryClicked";
    QTest::newRow("export") << "📁 导出 CSV"
                            << "onBtnExportClicked";
    QTest::newRow("sync history") << "🔄 同步设备数据"
                                  << "onBtnSyncHistoryClicked";
}

// Disconnecting succeeds only where setupUi made the connection; a throwaway window is used.
void TestMainWindowUi::connections()
{
    QFETCH(QString, buttonText);
    QFETCH(QString, slot);

    MainWindow scratch;
    QPushButton *button = buttonWithText(&scratch, buttonText);
    QVERIFY(button);
    const MainWindowProbe::Slot target = MainWindowProbe::clickSlot(slot);
    QVERIFY(target);
    QVERIFY(QObject::disconnect(button, &QPushButton::clicked, &scratch, target));
    // No other button of the window reaches that slot.
    const QList<QPushButton *> buttons = scratch.findChildren<QPushButton *>();
    for (QPushButton *other : buttons)
        QVERIFY(!QObject::disconnect(other, &QPushButton::clicked, &scratch, target));
}

void TestMainWindowUi::autoTestToggleConnected()
{
    MainWindow scratch;
    QVERIFY(MainWindowProbe::disconnectAutoTestToggle(scratch));
}

void TestMainWindowUi::styleSheetRules()
{
    QFile file(":/style.qss");
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString sheet = QString::fromUtf8(file.readAll());
    QCOMPARE(w->styleSheet(), sheet);

    const QList<Rule> actual = parseSheet(sheet);
    const QList<Rule> &expected = expectedRules();
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QCOMPARE(actual[i].selectors, expected[i].selectors);
        QCOMPARE(actual[i].declarations, expected[i].declarations);
    }
}

// Qt accepts the sheet: the rules that tie object names to looks reach the widgets, and a
// message box parented to the window is drawn light on dark.
void TestMainWindowUi::styleSheetTakesEffect()
{
    const QHash<QString, QWidget *> m = MainWindowProbe::widgets(*w);
    m["labelHugeData"]->ensurePolished();
    QCOMPARE(m["labelHugeData"]->font().pixelSize(), 64);
    QVERIFY(m["labelHugeData"]->font().bold());
    m["labelMode"]->ensurePolished();
    QCOMPARE(m["labelMode"]->font().pixelSize(), 13);
    QCOMPARE(m["labelMode"]->palette().color(QPalette::WindowText), QColor("#AAAAAA"));
    m["textLog"]->ensurePolished();
    QCOMPARE(m["textLog"]->palette().color(QPalette::Text), QColor("#4CAF50"));
    m["btnScan"]->ensurePolished();
    QVERIFY(m["btnScan"]->font().bold());
    QVERIFY(!m["btnSingleTest"]->font().bold());
    QVERIFY(m["btnSingleTest"]->minimumSizeHint().height() >= 32);

    QMessageBox box(QMessageBox::Warning, "t", "正文", QMessageBox::Yes | QMessageBox::No, w);
    box.ensurePolished();
    const QList<QLabel *> labels = box.findChildren<QLabel *>();
    QLabel *text = nullptr;
    for (QLabel *label : labels) {
        if (label->text() == "正文")
            text = label;
    }
    QVERIFY(text);
    text->ensurePolished();
    QCOMPARE(text->font().pixelSize(), 14);
    QCOMPARE(text->palette().color(QPalette::WindowText), QColor("#E0E0E0"));
}

void TestMainWindowUi::overlayFollowsResize()
{
    QWidget *&overlay = MainWindowProbe::alarmOverlay(*w);
    QVERIFY(overlay);

    overlay->setGeometry(0, 0, 10, 10);
    overlay->show();
    w->resize(1300, 900);
    QTRY_COMPARE_WITH_TIMEOUT(overlay->geometry(), QRect(0, 0, 1300, 900), 10000);

    overlay->hide();
    w->resize(1250, 850);
    QTRY_COMPARE_WITH_TIMEOUT(w->size(), QSize(1250, 850), 10000);
    QVERIFY(overlay->isHidden());
    QCOMPARE(overlay->geometry(), QRect(0, 0, 1300, 900));

    QWidget *const built = overlay;
    overlay = nullptr;
    w->resize(1200, 800);
    QTRY_COMPARE_WITH_TIMEOUT(w->size(), QSize(1200, 800), 10000);
    overlay = built;
}

void TestMainWindowUi::logFirstLine()
{
    const QTextDocument *doc = MainWindowProbe::textLog(*w)->document();
    QVERIFY(logLine("系统启动，等待扫描串口...").match(doc->firstBlock().text()).hasMatch());
}

void TestMainWindowUi::logLines_data()
{
    QTest::addColumn<QString>("message");

    QTest::newRow("tagged") << "[系统] 启动设备扫描与握手...";
    QTest::newRow("literal less-than") << "[警告] 阻值 <150 且 a<b 未超限";
    QTest::newRow("unknown tag shown as text") << "<nope>[错误] x</nope>";
    QTest::newRow("empty") << "";
}

// A plain line is the prefix and the message, character for character, in one paragraph.
void TestMainWindowUi::logLines()
{
    QFETCH(QString, message);
    QTextEdit *log = MainWindowProbe::textLog(*w);
    const int blocks = log->document()->blockCount();

    const QTime before = QTime::currentTime();
    MainWindowProbe::appendLog(*w, message);
    MainWindowProbe::appendLog(*w, "next");
    const QTime after = QTime::currentTime();

    QCOMPARE(log->document()->blockCount(), blocks + 2);
    const QTextBlock line = log->document()->lastBlock().previous();
    const QRegularExpressionMatch match = logLine(message).match(line.text());
    QVERIFY2(match.hasMatch(), qPrintable(line.text()));
    const QTime stamp = QTime::fromString(match.captured(1), "hh:mm:ss");
    QVERIFY(stamp >= before.addMSecs(-before.msec()) && stamp <= after);
    QVERIFY(logLine("next").match(log->document()->lastBlock().text()).hasMatch());
}

void TestMainWindowUi::logColouredLine()
{
    QTextEdit *log = MainWindowProbe::textLog(*w);
    MainWindowProbe::appendLog(
        *w, "<font color=\"#EF5350\">[错误] 未发现任何可用串口！请检查连线。</font>");

    const QTextBlock line = log->document()->lastBlock();
    QVERIFY2(logLine("[错误] 未发现任何可用串口！请检查连线。").match(line.text()).hasMatch(),
             qPrintable(line.text()));
    QColor prefixColour;
    QColor messageColour;
    for (auto it = line.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.text().startsWith('['))
            (fragment.text().contains("错误") ? messageColour : prefixColour) =
                fragment.charFormat().foreground().color();
    }
    QCOMPARE(messageColour, QColor("#EF5350"));
    QVERIFY(prefixColour != QColor("#EF5350"));
}

void TestMainWindowUi::logScrolling()
{
    QTextEdit *log = MainWindowProbe::textLog(*w);
    for (int i = 0; i < 40; ++i)
        MainWindowProbe::appendLog(*w, QStringLiteral("[系统] 填充 %1").arg(i));
    QScrollBar *bar = log->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);

    bar->setValue(0);
    MainWindowProbe::appendLog(*w, "[系统] 用户向上翻看时");
    QCOMPARE(bar->value(), 0);

    bar->setValue(bar->maximum());
    MainWindowProbe::appendLog(*w, "[系统] 回到底部后");
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(log->document()->firstBlock().text().endsWith("系统启动，等待扫描串口..."));
}

QTEST_MAIN(TestMainWindowUi)
#include "test_mainwindow_ui.moc"

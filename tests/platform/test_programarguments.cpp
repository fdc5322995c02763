// The program's arguments arrive as UTF-8 whatever the system's code page, quoting and
// backslashes as the caller meant them.
#include "probe.h"

class TestProgramArguments : public QObject
{
    Q_OBJECT

private slots:
    void argumentsArriveAsUtf8();
};

void TestProgramArguments::argumentsArriveAsUtf8()
{
    const QStringList arguments = {
        QStringLiteral("Ω"),
        QStringLiteral("C:\\测试数据\\接地 电阻.db"),
        QStringLiteral("接地电阻测试报告"),
        QStringLiteral("say \"hi\""),
        QStringLiteral("ends with a backslash\\"),
        QStringLiteral("a\\\\b"),
        QString(),
        QStringLiteral("--title=Ü 😀"),
    };
    const ProbeRun run = runProbe(QStringList{QStringLiteral("arguments")} + arguments);
    QCOMPARE(run.exitCode, 0);
    // One line each, the empty argument an empty line.
    QStringList expected;
    for (const QString &argument : arguments)
        expected << QString::fromLatin1(argument.toUtf8().toHex());
    expected << QString();
    QCOMPARE(QString::fromLatin1(run.out).split(u'\n'), expected);
}

QTEST_GUILESS_MAIN(TestProgramArguments)
#include "test_programarguments.moc"

// The download rule alone: what each happening makes the caller do, along whole downloads.
#include "historydownload.h"
#include "protocol.h"

#include <QStringList>
#include <QtTest>

namespace
{

/// Record `number` as the instrument sends it: kilo-ohms with one decimal, or (blank) a kind
/// that holds no measurement.
protocol::InstrumentFrame recordFrame(int number, bool blank)
{
    const auto raw = std::uint16_t(100 + number);
    return protocol::buildFrame(blank ? 0x01 : 0x31, 0, raw, raw, raw, std::uint16_t(number));
}

protocol::InstrumentFrame countFrame(int count)
{
    return protocol::buildFrame(0x00, 0, std::uint16_t(count), 0, 0, protocol::CountMarker);
}

QString noteText(DownloadNote note, const DownloadState &state)
{
    const QString retry = QStringLiteral("%1/%2").arg(state.historyRetries).arg(HistoryMaxRetries);
    switch (note) {
    case DownloadNote::Counted:
        return QStringLiteral("counted %1").arg(state.historyTotal);
    case DownloadNote::NoRecords:
        return QStringLiteral("no records");
    case DownloadNote::CountRetry:
        return QStringLiteral("count retry ") + retry;
    case DownloadNote::RecordRetry:
        return QStringLiteral("record %1 retry ").arg(state.historyIndex) + retry;
    }
    return QStringLiteral("unknown note");
}

QString endText(DownloadEnd end)
{
    switch (end) {
    case DownloadEnd::Completed:
        return QStringLiteral("completed");
    case DownloadEnd::NoAnswer:
        return QStringLiteral("no answer");
    case DownloadEnd::LinkLost:
        return QStringLiteral("link lost");
    case DownloadEnd::Stopped:
        return QStringLiteral("stopped");
    }
    return QStringLiteral("unknown end");
}

/// One step in words, its parts in the order the caller does them.
QString describe(const DownloadStep &step, const DownloadState &state)
{
    QStringList parts;
    if (step.note)
        parts << noteText(*step.note, state);
    if (step.send) {
        parts << (*step.send == protocol::Command::RequestRecordCount
                      ? QStringLiteral("ask count")
                      : QStringLiteral("ask %1").arg(*step.send));
    }
    if (step.countAsked)
        parts << QStringLiteral("say asking");
    if (step.store) {
        parts << QStringLiteral("store #%1 %2 %3")
                     .arg(step.store->record_index)
                     .arg(step.store->avg_value)
                     .arg(step.store->unit);
    }
    if (step.progress)
        parts << QStringLiteral("progress %1/%2").arg(*step.progress).arg(state.historyTotal);
    if (step.wait)
        parts << QStringLiteral("wait");
    if (step.end) {
        parts << endText(*step.end) + (step.end == DownloadEnd::Completed ? QString()
                                       : step.stoppedAt == 0
                                           ? QStringLiteral(" at count")
                                           : QStringLiteral(" at %1").arg(step.stoppedAt));
    }
    return parts.isEmpty() ? QStringLiteral("nothing") : parts.join(QStringLiteral(", "));
}

/// Reads "count N", "count N kept R/T", "record N", "blank N" or "reading" as a frame and the
/// records a resume holds; false for any other event.
bool frameEvent(const QString &event, protocol::InstrumentFrame *frame, DownloadResume *resume)
{
    const QStringList words = event.split(u' ');
    const int number = words.value(1).toInt();
    if (words[0] == QLatin1String("count")) {
        *frame = countFrame(number);
        if (words.value(2) == QLatin1String("kept")) {
            const QStringList kept = words.value(3).split(u'/');
            *resume = DownloadResume{kept.value(0).toInt(), kept.value(1).toInt()};
        }
        return true;
    }
    if (words[0] == QLatin1String("record") || words[0] == QLatin1String("blank")) {
        *frame = recordFrame(number, words[0] == QLatin1String("blank"));
        return true;
    }
    if (words[0] == QLatin1String("reading")) {
        *frame = protocol::buildFrame(0x12, 0, 1234, 1300, 1200, protocol::ReadingMarker);
        return true;
    }
    return false;
}

} // namespace

class TestHistoryDownloadSteps : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the happenings of one download in turn, and what each one asks of the caller.
    void downloads_data()
    {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("steps");
        const QString askCount = QStringLiteral("ask count, say asking, wait");

        QTest::newRow("instrument without records")
            << QStringList{"start", "count 0"}
            << QStringList{askCount, "no records, progress 0/0, completed"};
        QTest::newRow("records one by one, one without a measurement")
            << QStringList{"start", "count 3", "record 1", "blank 2", "record 3"}
            << QStringList{askCount, "counted 3, ask 1, progress 0/3, wait",
                           "ask 2, store #1 10.1 kΩ, progress 1/3, wait",
                           "ask 3, progress 2/3, wait",
                           "store #3 10.3 kΩ, progress 3/3, completed"};
        // Frames are matched to requests: a reading on its way, or a record not asked for, is
        // no answer.
        QTest::newRow("only the answer asked for is taken")
            << QStringList{"start",   "reading",  "record 1", "count 2",  "reading",
                           "count 2", "record 2", "record 1", "record 1", "record 2"}
            << QStringList{askCount,  "nothing",
                           "nothing", "counted 2, ask 1, progress 0/2, wait",
                           "nothing", "nothing",
                           "nothing", "ask 2, store #1 10.1 kΩ, progress 1/2, wait",
                           "nothing", "store #2 10.2 kΩ, progress 2/2, completed"};
        QTest::newRow("count never answered")
            << QStringList{"start",   "timeout", "timeout", "timeout",
                           "timeout", "timeout", "count 2"}
            << QStringList{askCount,
                           "count retry 1/3, ask count, wait",
                           "count retry 2/3, ask count, wait",
                           "count retry 3/3, ask count, wait",
                           "no answer at count",
                           "nothing",
                           "nothing"};
        QTest::newRow("record answered on its second request")
            << QStringList{"start", "count 2", "record 1", "timeout", "record 2"}
            << QStringList{askCount, "counted 2, ask 1, progress 0/2, wait",
                           "ask 2, store #1 10.1 kΩ, progress 1/2, wait",
                           "record 2 retry 1/3, ask 2, wait",
                           "store #2 10.2 kΩ, progress 2/2, completed"};
        // Each answer gives the next request its own three re-requests.
        QTest::newRow("third failed re-request of a record")
            << QStringList{"start",   "timeout", "timeout", "count 3", "timeout", "record 1",
                           "timeout", "timeout", "timeout", "timeout", "record 2"}
            << QStringList{askCount,
                           "count retry 1/3, ask count, wait",
                           "count retry 2/3, ask count, wait",
                           "counted 3, ask 1, progress 0/3, wait",
                           "record 1 retry 1/3, ask 1, wait",
                           "ask 2, store #1 10.1 kΩ, progress 1/3, wait",
                           "record 2 retry 1/3, ask 2, wait",
                           "record 2 retry 2/3, ask 2, wait",
                           "record 2 retry 3/3, ask 2, wait",
                           "no answer at 2",
                           "nothing"};
        QTest::newRow("stop before the count")
            << QStringList{"start", "stop", "count 2", "timeout", "stop", "start"}
            << QStringList{askCount, "stopped at count", "nothing", "nothing", "nothing", askCount};
        QTest::newRow("stop during the records")
            << QStringList{"start", "count 3", "record 1", "stop", "record 2"}
            << QStringList{askCount, "counted 3, ask 1, progress 0/3, wait",
                           "ask 2, store #1 10.1 kΩ, progress 1/3, wait", "stopped at 2",
                           "nothing"};
        QTest::newRow("link lost before the count")
            << QStringList{"start", "timeout", "lost", "lost"}
            << QStringList{askCount, "count retry 1/3, ask count, wait", "link lost at count",
                           "nothing"};
        QTest::newRow("link lost during the records")
            << QStringList{"start", "count 3", "record 1", "timeout", "lost", "timeout"}
            << QStringList{askCount,
                           "counted 3, ask 1, progress 0/3, wait",
                           "ask 2, store #1 10.1 kΩ, progress 1/3, wait",
                           "record 2 retry 1/3, ask 2, wait",
                           "link lost at 2",
                           "nothing"};
        QTest::newRow("start while one runs")
            << QStringList{"start", "start", "count 1", "start", "record 1", "start"}
            << QStringList{askCount,
                           "nothing",
                           "counted 1, ask 1, progress 0/1, wait",
                           "nothing",
                           "store #1 10.1 kΩ, progress 1/1, completed",
                           askCount};
        QTest::newRow("resumed where the kept records end")
            << QStringList{"start", "count 5 kept 3/5", "record 4", "record 5"}
            << QStringList{askCount, "counted 5, ask 4, progress 3/5, wait",
                           "ask 5, store #4 10.4 kΩ, progress 4/5, wait",
                           "store #5 10.5 kΩ, progress 5/5, completed"};
        QTest::newRow("kept records of another count are not taken up")
            << QStringList{"start", "count 6 kept 3/5", "record 1"}
            << QStringList{askCount, "counted 6, ask 1, progress 0/6, wait",
                           "ask 2, store #1 10.1 kΩ, progress 1/6, wait"};
        QTest::newRow("every record kept")
            << QStringList{"start", "count 5 kept 5/5"}
            << QStringList{askCount, "counted 5, progress 5/5, completed"};
    }

    void downloads()
    {
        QFETCH(QStringList, events);
        QFETCH(QStringList, steps);
        DownloadState state;
        QStringList seen;
        for (const QString &event : events) {
            protocol::InstrumentFrame frame{};
            DownloadResume resume;
            const bool isFrame = frameEvent(event, &frame, &resume);
            const bool awaited = HistoryDownload::awaits(state, frame.data());
            DownloadStep step;
            if (isFrame)
                step = HistoryDownload::frameArrived(state, frame.data(), resume);
            else if (event == QLatin1String("start"))
                step = HistoryDownload::start(state);
            else if (event == QLatin1String("timeout"))
                step = HistoryDownload::timedOut(state);
            else if (event == QLatin1String("stop"))
                step = HistoryDownload::stop(state);
            else if (event == QLatin1String("lost"))
                step = HistoryDownload::linkFailed(state);
            else
                QFAIL(qPrintable(QStringLiteral("no such event: ") + event));
            const QString said = describe(step, state);
            seen << said;

            // A frame is an answer exactly when the download takes it.
            if (isFrame)
                QCOMPARE(awaited, said != QLatin1String("nothing"));
            // A step that does anything leaves the download waiting for an answer, or ended.
            if (said != QLatin1String("nothing"))
                QCOMPARE(HistoryDownload::running(state), step.wait && !step.end);
        }
        QCOMPARE(seen, steps);
    }

    // After its end the download still tells where it got to, and the next one starts over.
    void endedDownloadTellsWhereItStopped()
    {
        DownloadState state;
        HistoryDownload::start(state);
        const protocol::InstrumentFrame count = countFrame(4);
        HistoryDownload::frameArrived(state, count.data());
        const protocol::InstrumentFrame first = recordFrame(1, false);
        HistoryDownload::frameArrived(state, first.data());
        HistoryDownload::linkFailed(state);
        QVERIFY(!HistoryDownload::running(state));
        QCOMPARE(state.historyTotal, 4);
        QCOMPARE(state.historyIndex, 2);

        HistoryDownload::start(state);
        HistoryDownload::frameArrived(state, count.data());
        QCOMPARE(state.historyIndex, 1);
        QCOMPARE(state.historyRetries, 0);
        QVERIFY(!HistoryDownload::awaits(state, recordFrame(2, false).data()));
        QVERIFY(HistoryDownload::awaits(state, first.data()));
    }
};

QTEST_MAIN(TestHistoryDownloadSteps)
#include "test_historydownloadsteps.moc"

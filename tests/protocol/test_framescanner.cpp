#include "framescanner.h"
#include "knownframes.h"

#include <QRandomGenerator>
#include <QtTest>

#include <vector>

using namespace protocol;

namespace
{

QByteArray bytes(const InstrumentFrame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), qsizetype(frame.size()));
}

const std::uint8_t *raw(const QByteArray &b)
{
    return reinterpret_cast<const std::uint8_t *>(b.constData());
}

QByteArray reading()
{
    return bytes(knownframes::ReadingOhms);
}
QByteArray overRange()
{
    return bytes(knownframes::ReadingOverRange);
}

QByteArray withBadChecksum(QByteArray frame)
{
    frame[10] = char(frame.at(10) + 1);
    return frame;
}

// Feeds the pieces the way the console's receive slot does: append, then take frames until
// none is left. Records how many frames had come out after each piece.
struct Receiver {
    QByteArray buffer;
    QList<QByteArray> frames;
    QList<int> framesAfterPiece;

    void feed(const QByteArray &piece)
    {
        buffer.append(piece);
        for (;;) {
            const ScanStep step = takeFrame(raw(buffer), std::size_t(buffer.size()));
            buffer.remove(0, qsizetype(step.consumed));
            if (!step.frame)
                break;
            frames.append(bytes(*step.frame));
        }
        framesAfterPiece.append(int(frames.size()));
    }
};

InstrumentFrame randomFrame(QRandomGenerator &rng)
{
    return buildFrame(std::uint8_t(rng.bounded(256)), std::uint8_t(rng.bounded(256)),
                      std::uint16_t(rng.bounded(65536)), std::uint16_t(rng.bounded(65536)),
                      std::uint16_t(rng.bounded(65536)), std::uint16_t(rng.bounded(65536)));
}

// Bytes that cannot start a frame that passes the check anywhere before `next` begins: random
// bytes, a damaged frame or the head of a frame, retried until that holds. Such noise must be
// skipped byte by byte without losing `next`.
QByteArray noiseBefore(const QByteArray &next, QRandomGenerator &rng)
{
    for (;;) {
        QByteArray noise;
        switch (rng.bounded(3)) {
        case 0:
            for (int i = rng.bounded(1, 26); i > 0; --i)
                noise.append(char(rng.bounded(256)));
            break;
        case 1: {
            noise = bytes(randomFrame(rng));
            const int at = rng.bounded(11);
            noise[at] = char(noise.at(at) ^ (1 << rng.bounded(8)));
            break;
        }
        default:
            noise = bytes(randomFrame(rng)).left(rng.bounded(1, 11));
        }
        const QByteArray stream = noise + next;
        bool framesInNoise = false;
        for (qsizetype at = 0; at < noise.size(); ++at)
            framesInNoise = framesInNoise || checkFrame(raw(stream) + at);
        if (!framesInNoise)
            return noise;
    }
}

} // namespace

class TestFrameScanner : public QObject
{
    Q_OBJECT

private slots:
    void receivesFramesFromPieces_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<QList<int>>("framesAfterPiece");
        QTest::addColumn<QByteArray>("left");

        const QByteArray r = reading();
        const QByteArray o = overRange();
        QTest::newRow("one frame in one piece")
            << QList<QByteArray>{r} << QList<QByteArray>{r} << QList<int>{1} << QByteArray();
        QTest::newRow("two frames in one piece")
            << QList<QByteArray>{r + o} << QList<QByteArray>{r, o} << QList<int>{2} << QByteArray();
        QTest::newRow("three pieces 4, 4, 3")
            << QList<QByteArray>{r.left(4), r.mid(4, 4), r.mid(8)} << QList<QByteArray>{r}
            << QList<int>{0, 0, 1} << QByteArray();
        QTest::newRow("garbage byte before a frame")
            << QList<QByteArray>{QByteArray(1, '\x55') + r} << QList<QByteArray>{r} << QList<int>{1}
            << QByteArray();
        QTest::newRow("a frame and the head of the next")
            << QList<QByteArray>{r + o.left(7), o.mid(7)} << QList<QByteArray>{r, o}
            << QList<int>{1, 2} << QByteArray();
        QTest::newRow("bad checksum alone waits with its last 10 bytes")
            << QList<QByteArray>{withBadChecksum(r)} << QList<QByteArray>{} << QList<int>{0}
            << withBadChecksum(r).mid(1);
        QTest::newRow("bad checksum dropped byte by byte, next frame found")
            << QList<QByteArray>{withBadChecksum(r), o} << QList<QByteArray>{o} << QList<int>{0, 1}
            << QByteArray();
        QTest::newRow("fewer than 11 bytes wait")
            << QList<QByteArray>{r.left(10)} << QList<QByteArray>{} << QList<int>{0} << r.left(10);
        QTest::newRow("the handshake reply passes the check")
            << QList<QByteArray>{bytes(HandshakeReply)} << QList<QByteArray>{bytes(HandshakeReply)}
            << QList<int>{1} << QByteArray();
    }

    void receivesFramesFromPieces()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<QByteArray>, frames);
        QFETCH(QList<int>, framesAfterPiece);
        QFETCH(QByteArray, left);

        Receiver receiver;
        for (const QByteArray &piece : pieces)
            receiver.feed(piece);
        QCOMPARE(receiver.frames, frames);
        QCOMPARE(receiver.framesAfterPiece, framesAfterPiece);
        QCOMPARE(receiver.buffer, left);
    }

    void routesByFlags_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("awaitingCount");
        QTest::addColumn<bool>("syncing");
        QTest::addColumn<int>("historyIndex");
        QTest::addColumn<int>("route");

        const auto withMarker = [](std::uint16_t marker) {
            return bytes(buildFrame(0x12, 0, 1234, 1300, 1200, marker));
        };
        const QByteArray count = bytes(knownframes::CountFive);
        const QByteArray record3 = bytes(knownframes::RecordThreeKiloOhms);
        const int toReading = int(FrameRoute::Reading);
        const int ignore = int(FrameRoute::Ignore);
        const int toCount = int(FrameRoute::HistoryCount);
        const int toRecord = int(FrameRoute::HistoryRecord);

        QTest::newRow("idle: reading C0 00") << reading() << false << false << 1 << toReading;
        QTest::newRow("idle: marker C5 00 is a reading")
            << withMarker(0xC500) << false << false << 1 << toReading;
        QTest::newRow("idle: marker DF FF is a reading")
            << withMarker(0xDFFF) << false << false << 1 << toReading;
        QTest::newRow("idle: marker BF FF is not")
            << withMarker(0xBFFF) << false << false << 1 << ignore;
        QTest::newRow("idle: count frame ignored") << count << false << false << 1 << ignore;
        QTest::newRow("idle: record frame ignored") << record3 << false << false << 3 << ignore;
        QTest::newRow("count awaited: count frame") << count << true << false << 1 << toCount;
        QTest::newRow("count awaited: a reading is not the count")
            << reading() << true << false << 1 << ignore;
        QTest::newRow("count awaited: a record is not the count")
            << record3 << true << false << 1 << ignore;
        QTest::newRow("downloading 3: record 3") << record3 << false << true << 3 << toRecord;
        QTest::newRow("downloading 4: record 3 again is not record 4")
            << record3 << false << true << 4 << ignore;
        QTest::newRow("downloading: a reading is not a record")
            << reading() << false << true << 1 << ignore;
        QTest::newRow("downloading: a count is not a record")
            << count << false << true << 1 << ignore;
        QTest::newRow("downloading 49152: the reading marker C0 00 is that record")
            << reading() << false << true << 0xC000 << toRecord;
    }

    void routesByFlags()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, awaitingCount);
        QFETCH(bool, syncing);
        QFETCH(int, historyIndex);
        QFETCH(int, route);
        QCOMPARE(int(routeFrame(raw(frame), {awaitingCount, syncing, historyIndex})), route);
    }

    // The consumer of one frame sets the flags that route the next frame of the same buffer.
    void callbackChangesRoutingBetweenFrames()
    {
        const QByteArray stream = reading() + bytes(buildFrame(0, 0, 2, 0, 0, CountMarker)) +
                                  bytes(buildFrame(0x11, 0, 5, 6, 7, 1)) + reading() +
                                  bytes(buildFrame(0x11, 0, 5, 6, 7, 2)) + reading();
        DispatchState state{true, false, 1};
        int total = 0;
        QList<FrameRoute> routes;
        const std::size_t consumed =
            scanFrames(raw(stream), std::size_t(stream.size()), [&](const InstrumentFrame &frame) {
                const FrameRoute route = routeFrame(frame.data(), state);
                routes.append(route);
                if (route == FrameRoute::HistoryCount) {
                    total = readValue(frame.data(), Value::A);
                    state = {false, true, 1};
                } else if (route == FrameRoute::HistoryRecord && ++state.historyIndex > total) {
                    state.isSyncingHistory = false;
                }
                return true;
            });
        QCOMPARE(consumed, std::size_t(stream.size()));
        const QList<FrameRoute> expected{FrameRoute::Ignore,        FrameRoute::HistoryCount,
                                         FrameRoute::HistoryRecord, FrameRoute::Ignore,
                                         FrameRoute::HistoryRecord, FrameRoute::Reading};
        QCOMPARE(routes, expected);
    }

    void callbackStopsTheScan()
    {
        const QByteArray stream = QByteArray(3, '\x01') + reading() + overRange() + reading();
        int seen = 0;
        const std::size_t consumed =
            scanFrames(raw(stream), std::size_t(stream.size()),
                       [&](const InstrumentFrame &) { return ++seen < 2; });
        QCOMPARE(seen, 2);
        QCOMPARE(consumed, std::size_t(3 + 22));
    }

    void searchesHandshake_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("bufferLeft");

        const QByteArray reply = bytes(HandshakeReply);
        QTest::newRow("reply alone") << QList<QByteArray>{reply} << true << 11;
        QTest::newRow("split 6 + 5")
            << QList<QByteArray>{reply.left(6), reply.mid(6)} << true << 11;
        QTest::newRow("noise before, bytes after")
            << QList<QByteArray>{QByteArray::fromHex("0102AA") + reply + QByteArray(4, '\x07')}
            << true << 18;
        QTest::newRow("ten AA then A5 is not the reply")
            << QList<QByteArray>{QByteArray(10, '\xAA') + '\xA5'} << false << 11;
        QTest::newRow("nine AA then A4 is not the reply")
            << QList<QByteArray>{QByteArray(9, '\xAA') + '\xA4'} << false << 10;
        QTest::newRow("200 bytes are kept")
            << QList<QByteArray>{QByteArray(200, '\x33')} << false << 200;
        QTest::newRow("201 bytes are dropped but for the last 10")
            << QList<QByteArray>{QByteArray(201, '\x33')} << false << 10;
        QTest::newRow("a reply straddling the overflow is still found")
            << QList<QByteArray>{QByteArray(195, '\x33'), reply.left(6), reply.mid(6)} << true
            << 15;
    }

    void searchesHandshake()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(bool, found);
        QFETCH(int, bufferLeft);

        QByteArray buffer;
        HandshakeSearch search;
        for (const QByteArray &piece : pieces) {
            QVERIFY(!search.found);
            buffer.append(piece);
            search = searchHandshake(raw(buffer), std::size_t(buffer.size()));
            if (!search.found)
                buffer.remove(0, qsizetype(search.discard));
        }
        QCOMPARE(search.found, found);
        QCOMPARE(buffer.size(), bufferLeft);
    }

    // Good frames separated by noise that forms no frame of its own, cut into random pieces:
    // every frame comes out once, in order, and nothing else does.
    void recoversEveryFrameThroughNoiseAndSplits()
    {
        QRandomGenerator rng(20240611);
        for (int round = 0; round < 400; ++round) {
            QList<QByteArray> sent;
            QByteArray stream;
            for (int i = rng.bounded(1, 20); i > 0; --i) {
                const QByteArray frame = bytes(randomFrame(rng));
                if (rng.bounded(2) == 0)
                    stream.append(noiseBefore(frame, rng));
                stream.append(frame);
                sent.append(frame);
            }

            Receiver receiver;
            for (qsizetype at = 0; at < stream.size();) {
                const qsizetype piece = std::min(stream.size() - at, qsizetype(rng.bounded(1, 30)));
                receiver.feed(stream.mid(at, piece));
                at += piece;
            }
            QCOMPARE(receiver.frames, sent);
            QVERIFY(receiver.buffer.isEmpty());
        }
    }
};

QTEST_APPLESS_MAIN(TestFrameScanner)
#include "test_framescanner.moc"

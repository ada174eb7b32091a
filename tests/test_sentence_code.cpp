// The sentence code rules and sentence files, without widgets.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "catalogue/SampleTable.h"
#include "fixtures/Bytes.h"
#include "sentence/SentenceCode.h"
#include "sentence/SentenceFile.h"

using namespace sentence;

namespace {

QString writeBytes(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes) {
    return fixtures::writeBytes(dir.filePath(name), bytes);
}

using fixtures::readBytes;

} // namespace

class TestSentenceCode : public QObject {
    Q_OBJECT
private slots:
    void appendBuildsTwoDigitRows() {
        QString code;
        for (int row : {0, 5, 11})
            code = appendRow(code, row);
        QCOMPARE(code, QStringLiteral("00;05;11;"));
        QCOMPARE(appendRow(QStringLiteral("03;10;"), 55), QStringLiteral("03;10;55;"));
        // A code loaded from a file has no final ";": the new element must not fuse with the last.
        QCOMPARE(appendRow(QStringLiteral("00;77;13"), 58), QStringLiteral("00;77;13;58;"));
    }

    void backspaceOnTheCode() {
        QCOMPARE(dropLastElement(QStringLiteral("00;05;11;")), QStringLiteral("00;05;"));
        QCOMPARE(dropLastElement(QStringLiteral("00;05;11")), QStringLiteral("00;05;"));
        // Three characters or fewer are left for the text change to empty.
        QCOMPARE(dropLastElement(QStringLiteral("03;")), QStringLiteral("03;"));
        QCOMPARE(dropLastElement(QStringLiteral("3")), QStringLiteral("3"));
        QCOMPARE(dropLastElement(QString()), QString());
    }

    void backspaceOnTheText() {
        QCOMPARE(dropLastLabel(QStringLiteral("Après ; 300 ; Mètres")),
                 QStringLiteral("Après ; 300"));
        QCOMPARE(dropLastLabel(QStringLiteral("Après")), QString());
        // Labels hold commas and spaces but never " ; ": only the separator counts.
        QCOMPARE(dropLastLabel(QStringLiteral("Tout droit, prenez le ferry ; Puis")),
                 QStringLiteral("Tout droit, prenez le ferry"));
        QCOMPARE(dropLastLabel(QStringLiteral("a;b")), QString());
    }

    void elementsOfACode() {
        const QVector<Element> e = parseElements(QStringLiteral("00;77;x;;5;-1;58;"));
        QCOMPARE(e.size(), 7);
        QVERIFY(e[0].valid && e[0].row == 0);
        QVERIFY(!e[1].valid); // beyond the catalogue
        QVERIFY(!e[2].valid); // not a number
        QVERIFY(!e[3].valid); // an empty piece inside the code keeps its place
        QVERIFY(e[4].valid && e[4].row == 5);
        QVERIFY(!e[5].valid);
        QVERIFY(e[6].valid && e[6].row == 58);
        QCOMPARE(parseElements(QStringLiteral("00;05;11")).size(), 3);
        QVERIFY(parseElements(QString()).isEmpty());
        QCOMPARE(parseElements(QStringLiteral("99999999999999999999;3")).size(), 2);
    }

    void textOfACode() {
        QCOMPARE(textForCode(QStringLiteral("00;05;11")), QStringLiteral("Après ; 300 ; Mètres"));
        QCOMPARE(textForCode(QStringLiteral("00;77;13")),
                 QStringLiteral("Après ; Tournez à droite"));
        QCOMPARE(textForCode(QStringLiteral("3")), QStringLiteral("100"));
        QCOMPARE(textForCode(QStringLiteral("14")), QStringLiteral("Prenez la deuxième à gauche"));
        QCOMPARE(textForCode(QStringLiteral("77;abc")), QString());
        QCOMPARE(textForCode(QString()), QString());
        // Every row is written back as the text it came from.
        for (int row = 0; row < catalogue::SampleCount; ++row)
            QCOMPARE(textForCode(appendRow(QString(), row)), catalogue::samples()[row].label);
    }

    void writesTheCodeAndCrLf() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("phrase.txt"));
        QVERIFY(writeSentenceCode(path, QStringLiteral("00;05;11")));
        QCOMPARE(readBytes(path), QByteArray("00;05;11\r\n"));
        // Replacing a longer file leaves nothing of it behind.
        QVERIFY(writeSentenceCode(path, QStringLiteral("3")));
        QCOMPARE(readBytes(path), QByteArray("3\r\n"));
        QVERIFY(!writeSentenceCode(dir.filePath(QStringLiteral("no/such/dir/x.txt")),
                                   QStringLiteral("00")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"phrase.txt"});
    }

    void readsTheFirstLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("code");
        QTest::newRow("as written") << QByteArray("00;05;11\r\n") << "00;05;11";
        QTest::newRow("final semicolons") << QByteArray("3;;;\r\n") << "3";
        QTest::newRow("no line end") << QByteArray("00;77;13") << "00;77;13";
        QTest::newRow("two lines") << QByteArray("00;05\r\n13;14\r\n") << "00;05";
        QTest::newRow("LF only") << QByteArray("12\n13\n") << "12";
        QTest::newRow("CR only") << QByteArray("12\r13") << "12";
        QTest::newRow("empty") << QByteArray() << "";
        QTest::newRow("semicolons only") << QByteArray(";;;\r\n") << "";
        QTest::newRow("empty first line") << QByteArray("\r\n00;05\r\n") << "";
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                       "00;13\r\n")
                                         << "00;13";
    }
    void readsTheFirstLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, code);
        QTemporaryDir dir;
        const QString path = writeBytes(dir, QStringLiteral("s.txt"), bytes);
        QVERIFY(!path.isEmpty());
        const std::optional<QString> read = readSentenceCode(path);
        QVERIFY(read.has_value());
        QCOMPARE(*read, code);
    }

    void roundTripKeepsHandEditedPieces() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.txt"));
        for (const QString &code : {QStringLiteral("00;77;13"), QStringLiteral("5;x;-3;0012")}) {
            QVERIFY(writeSentenceCode(path, code));
            QCOMPARE(readSentenceCode(path).value_or(QStringLiteral("<none>")), code);
        }
    }

    void nothingFromWhatIsNoPlainFile() {
        QTemporaryDir dir;
        QVERIFY(!readSentenceCode(QString()).has_value());
        QVERIFY(!readSentenceCode(dir.filePath(QStringLiteral("missing.txt"))).has_value());
        QVERIFY(!readSentenceCode(dir.path()).has_value());
    }

    void binaryJunkReadsAsSomeCode() {
        QTemporaryDir dir;
        QByteArray junk;
        for (int i = 0; i < 300000; ++i)
            junk.append(static_cast<char>(0x80 + (i * 7919LL) % 128)); // no line end anywhere
        junk[100] = ';';
        junk[200] = ';';
        const QString path = writeBytes(dir, QStringLiteral("junk.bin"), junk);
        const std::optional<QString> code = readSentenceCode(path);
        QVERIFY(code.has_value());
        // Whatever came out can be parsed, shown and played as silent slots.
        const QVector<Element> elements = parseElements(*code);
        QVERIFY(!elements.isEmpty());
        QVERIFY(textForCode(*code).isEmpty());

        const QString nul =
            writeBytes(dir, QStringLiteral("nul.bin"), QByteArray("\0\0;05;\xff\xfe;11\r\n", 14));
        QVERIFY(!nul.isEmpty());
        const std::optional<QString> withNul = readSentenceCode(nul);
        QVERIFY(withNul.has_value());
        QCOMPARE(textForCode(*withNul), QStringLiteral("300 ; Mètres"));
        QCOMPARE(parseElements(*withNul).size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestSentenceCode)
#include "test_sentence_code.moc"

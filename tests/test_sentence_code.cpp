// The sentence code rules and sentence files, without widgets.
#include <QTemporaryDir>
#include <QtTest>

#include "core/SampleTable.h"
#include "fixtures/Bytes.h"
#include "sentence/SentenceCode.h"
#include "sentence/SentenceFile.h"

using namespace sentence;
using namespace Qt::StringLiterals;
using fixtures::readBytes;

class TestSentenceCode : public QObject {
    Q_OBJECT
private slots:
    void appendAndBackspace() {
        QCOMPARE(appendRow(appendRow(QString(), 0), 5), u"00;05;"_s);
        // A code loaded from a file has no final ";": the new element must not fuse with the last.
        QCOMPARE(appendRow(u"00;77;13"_s, 58), u"00;77;13;58;"_s);
        QCOMPARE(dropLastElement(u"00;05;11;"_s), u"00;05;"_s);
        QCOMPARE(dropLastElement(u"00;05;11"_s), u"00;05;"_s);
        // Three characters or fewer are left for the text change to empty.
        QCOMPARE(dropLastElement(u"03;"_s), u"03;"_s);
        QCOMPARE(dropLastElement(u"3"_s), u"3"_s);
        QCOMPARE(dropLastElement(QString()), QString());
        QCOMPARE(dropLastLabel(u"Après ; 300 ; Mètres"_s), u"Après ; 300"_s);
        QCOMPARE(dropLastLabel(u"Après"_s), QString());
        // Labels hold commas and spaces but never " ; ": only the separator counts.
        QCOMPARE(dropLastLabel(u"Tout droit, prenez le ferry ; Puis"_s),
                 u"Tout droit, prenez le ferry"_s);
        QCOMPARE(dropLastLabel(u"a;b"_s), QString());
    }

    void elementsAndTextOfACode() {
        const QVector<Element> e = parseElements(u"00;77;x;;5;-1;58;"_s);
        QCOMPARE(e.size(), 7);
        QVERIFY(e[0].valid && e[0].row == 0);
        QVERIFY(!e[1].valid); // beyond the catalogue
        QVERIFY(!e[2].valid); // not a number
        QVERIFY(!e[3].valid); // an empty piece inside the code keeps its place
        QVERIFY(e[4].valid && e[4].row == 5);
        QVERIFY(!e[5].valid);
        QVERIFY(e[6].valid && e[6].row == 58);
        QCOMPARE(parseElements(u"00;05;11"_s).size(), 3);
        QVERIFY(parseElements(QString()).isEmpty());
        QCOMPARE(parseElements(u"99999999999999999999;3"_s).size(), 2);

        QCOMPARE(textForCode(u"14"_s), u"Prenez la deuxième à gauche"_s);
        QCOMPARE(textForCode(u"77;abc"_s), QString());
        QCOMPARE(textForCode(QString()), QString());
        // Every row is written back as the text it came from.
        for (int row = 0; row < core::SampleCount; ++row)
            QCOMPARE(textForCode(appendRow(QString(), row)), core::samples()[row].label);
    }

    void writesTheCodeAndCrLf() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"phrase.txt"_s);
        // Hand-edited pieces come back as written; a longer file leaves nothing behind.
        for (const QString &code : {u"00;77;13;5;x;-3;0012"_s, u"00;05;11"_s, u"3"_s}) {
            QVERIFY(writeSentenceCode(path, code));
            QCOMPARE(readBytes(path), code.toLatin1() + "\r\n");
            QCOMPARE(readSentenceCode(path).value_or(u"<none>"_s), code);
        }
        QVERIFY(!writeSentenceCode(dir.filePath(u"no/such/dir/x.txt"_s), u"00"_s));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"phrase.txt"});
    }

    void readsTheFirstLineOrNothing() {
        QTemporaryDir dir;
        // Final semicolons dropped, only the first line, any line end, a byte-order mark skipped.
        const std::pair<QByteArray, QString> cases[] = {
            {"3;;;\r\n", u"3"_s},
            {"00;77;13", u"00;77;13"_s},
            {"00;05\r\n13;14\r\n", u"00;05"_s},
            {"12\n13\n", u"12"_s},
            {"12\r13", u"12"_s},
            {"", u""_s},
            {";;;\r\n", u""_s},
            {"\r\n00;05\r\n", u""_s},
            {QByteArray("\xEF\xBB\xBF") + "00;13\r\n", u"00;13"_s}};
        for (const auto &[bytes, code] : cases) {
            const QString path = fixtures::writeBytes(dir.filePath(u"s.txt"_s), bytes);
            QVERIFY(!path.isEmpty());
            QCOMPARE(readSentenceCode(path).value_or(u"<none>"_s), code);
        }

        // Nothing from what is no plain file, and some code from junk.
        QVERIFY(!readSentenceCode(QString()).has_value());
        QVERIFY(!readSentenceCode(dir.filePath(u"missing.txt"_s)).has_value());
        QVERIFY(!readSentenceCode(dir.path()).has_value());

        QByteArray junk;
        for (int i = 0; i < 300000; ++i)
            junk.append(static_cast<char>(0x80 + (i * 7919LL) % 128)); // no line end anywhere
        junk[100] = ';';
        junk[200] = ';';
        const std::optional<QString> code =
            readSentenceCode(fixtures::writeBytes(dir.filePath(u"junk.bin"_s), junk));
        QVERIFY(code.has_value());
        // Whatever came out can be parsed, shown and played as silent slots.
        QVERIFY(!parseElements(*code).isEmpty());
        QVERIFY(textForCode(*code).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSentenceCode)
#include "test_sentence_code.moc"

#include "localization/StringsTable.h"

#include "TestEnvironment.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTest>

using Table = QHash<QString, QString>;

class StringsTableTest : public QObject {
    Q_OBJECT

private:
    static Table parsed(const QByteArray& data)
    {
        StringsTable::ParseError error;
        const auto table = StringsTable::parse(data, &error);
        if (!table)
            qWarning("unexpected error: %s", qPrintable(error.toString()));
        return table.value_or(Table{{QStringLiteral("<error>"), error.toString()}});
    }

    static QByteArray utf16(const QString& text, QStringEncoder::Encoding encoding)
    {
        QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
        return encoder.encode(text);
    }

private slots:
    void readsEntriesCommentsAndLayout()
    {
        const QByteArray data = "/* Menu */\n"
                                "\"Quit\" = \"Beenden\";  // trailing comment\n"
                                "// a whole line\n"
                                "\"Settings...\"\t=\n"
                                "  \"Einstellungen …\" ; \"Multi\" = \"first\n"
                                "second\";\r\n"
                                "/* a block\n   over lines */\"Same\";\n";
        const Table expected{{QStringLiteral("Quit"), QStringLiteral("Beenden")},
                             {QStringLiteral("Settings..."), QStringLiteral("Einstellungen …")},
                             {QStringLiteral("Multi"), QStringLiteral("first\nsecond")},
                             {QStringLiteral("Same"), QStringLiteral("Same")}};
        QCOMPARE(parsed(data), expected);
    }

    void decodesEscapes()
    {
        const QByteArray data = "\"a\" = \"quote \\\" backslash \\\\ apostrophe \\' end\";\n"
                                "\"b\" = \"\\n\\t\\r\\a\\b\\f\\v\";\n"
                                "\"c\" = \"\\U00e9\\u00FC \\UD83D\\UDE00\";\n"
                                "\"d\" = \"\\101\\0x\\12\\377\";\n"
                                "\"e\" = \"\\q\\\n\";";
        const Table table = parsed(data);
        QCOMPARE(table.value("a"), QStringLiteral("quote \" backslash \\ apostrophe ' end"));
        QCOMPARE(table.value("b"), QStringLiteral("\n\t\r\a\b\f\v"));
        QCOMPARE(table.value("c"), QStringLiteral("éü 😀"));
        QCOMPARE(table.value("d"), QString::fromUtf16(u"A\0x\n\u00FF", 5));
        QCOMPARE(table.value("e"), QStringLiteral("q\n")); // unknown escapes stand for the character itself
    }

    void readsUnquotedShortFormsAndDuplicates()
    {
        QCOMPARE(parsed("menu.quit_item-2 = \"Quit\";\nkey = $value+1:/x;\n\"k\" = \"one\";\n\"k\" = \"two\";\n\"s\";"),
                 (Table{{"menu.quit_item-2", "Quit"}, {"key", "$value+1:/x"}, {"k", "two"}, {"s", "s"}}));
        QCOMPARE(parsed("\"k\";\n\"\" = \"\";\n\"k\" = \"two\";"), (Table{{"k", "two"}, {"", ""}}));
        for (const QByteArray& empty : {QByteArray(), QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE"),
                                        QByteArray(" \n\t/* only comments */\n// here")})
            QCOMPARE(parsed(empty), Table());
    }

    void decodesEveryEncoding()
    {
        const QString text = QStringLiteral("/* ✓ */\n\"System Default\" = \"简体中文 😀\";\n");
        const Table expected{{QStringLiteral("System Default"), QStringLiteral("简体中文 😀")}};
        QCOMPARE(parsed(text.toUtf8()), expected);
        QCOMPARE(parsed("\xEF\xBB\xBF" + text.toUtf8()), expected);
        const QByteArray little = utf16(text, QStringEncoder::Utf16LE);
        const QByteArray big = utf16(text, QStringEncoder::Utf16BE);
        QVERIFY(little.startsWith("\xFF\xFE"));
        QVERIFY(big.startsWith("\xFE\xFF"));
        QCOMPARE(parsed(little), expected);
        QCOMPARE(parsed(big), expected);
    }

    void reportsErrorsWithTheirLine_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");

        QTest::newRow("unterminated string") << QByteArray("\"a\" = \"b\";\n\"c\" = \"d;\n\n") << 2
                                             << "unterminated string";
        QTest::newRow("missing semicolon") << QByteArray("\"a\" = \"b\"\n\"c\" = \"d\";") << 1 << "missing ';'";
        QTest::newRow("missing semicolon after multi-line value")
            << QByteArray("\"a\" = \"b\n\nc\"\n\"d\";") << 3 << "missing ';'";
        QTest::newRow("missing value") << QByteArray("\"a\" =\n;") << 2 << "where a value was expected";
        QTest::newRow("missing equals") << QByteArray("\"a\" \"b\";") << 1 << "missing '=' or ';'";
        QTest::newRow("stray character") << QByteArray("\"a\" = \"b\";\n\n@") << 3 << "unexpected character '@'";
        QTest::newRow("stray after value") << QByteArray("\"a\" = \"b\" ,;") << 1 << "unexpected character ','";
        QTest::newRow("control character") << QByteArray("\n\x01") << 2 << "U+0001";
        QTest::newRow("unterminated comment") << QByteArray("\"a\" = \"b\";\n/* never\nclosed *") << 2
                                              << "unterminated comment";
        QTest::newRow("short hex escape") << QByteArray("\n\"a\" = \"\\U12g4\";") << 2 << "four hexadecimal digits";
        QTest::newRow("lone surrogate escape") << QByteArray("\"a\" = \"\\UD83D x\";") << 1 << "unpaired surrogate";
        QTest::newRow("octal out of range") << QByteArray("\"a\" = \"\\777\";") << 1 << "out of range";
        QTest::newRow("CR line breaks") << QByteArray("\"a\";\r\"b\";\r\n\"c\"\r@") << 4 << "'@'";
        QTest::newRow("invalid UTF-8") << QByteArray("\"a\" = \"b\";\r\n\"c\" = \"\xC3\x28\";") << 2 << "UTF-8";
        QTest::newRow("UTF-8 cut by a line break") << QByteArray("\"a\";\n\"\xC3\n\";") << 2 << "UTF-8";
        QTest::newRow("UTF-8 cut at the end") << QByteArray("\n\n\"x\xE2\x82") << 3 << "UTF-8";
        QTest::newRow("odd UTF-16 length") << QByteArray("\xFF\xFE\"\0;\0\n\0x", 9) << 2 << "UTF-16";
        QTest::newRow("unpaired UTF-16") << QByteArray("\xFE\xFF\0\n\xD8\x3D\0\"", 8) << 2 << "surrogate";
    }

    void reportsErrorsWithTheirLine()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, line);
        QFETCH(QString, message);
        StringsTable::ParseError error;
        QVERIFY(!StringsTable::parse(data, &error));
        QCOMPARE(error.line, line);
        QVERIFY2(error.message.contains(message), qPrintable(error.message));
        QVERIFY(error.toString().startsWith(QStringLiteral("line %1: ").arg(line)));
    }

    // Every truncation and random damage of a real table ends in a table or
    // an error inside the text, never in a crash or a partial table.
    void survivesDamagedInput()
    {
        const QByteArray valid = "/* c */\n\"a\" = \"x\\U00e9\\\"\";\nb = c;\n\"d\";\n// e\n\"f\" = \"\\101\";\n";
        const int lines = int(valid.count('\n')) + 1;
        for (qsizetype length = 0; length <= valid.size(); ++length) {
            StringsTable::ParseError error;
            const auto table = StringsTable::parse(valid.left(length), &error);
            if (!table) {
                QVERIFY(error.line >= 1 && error.line <= lines);
                QVERIFY(!error.message.isEmpty());
            }
        }
        QRandomGenerator random(20240611);
        for (int round = 0; round < 2000; ++round) {
            QByteArray damaged = valid;
            for (int edits = 1 + int(random.bounded(4)); edits > 0; --edits)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            StringsTable::ParseError error;
            if (!StringsTable::parse(damaged, &error))
                QVERIFY2(error.line >= 1 && error.line <= damaged.count('\n') + 1 + damaged.count('\r'),
                         qPrintable(error.toString()));
        }
        // Long runs of openers do not nest.
        QVERIFY(!StringsTable::parse(QByteArray("/* ").repeated(100000)));
        QVERIFY(!StringsTable::parse(QByteArray(200000, '"')));
    }
};

KELVARO_TEST_MAIN(StringsTableTest, QCoreApplication)

#include "tst_stringstable.moc"

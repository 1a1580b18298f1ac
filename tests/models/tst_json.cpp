#include "DecodeCheck.h"
#include "models/Json.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

using json::DecodeError;

namespace {

struct Item {
    qint64 id;
    std::optional<bool> flag;
    std::optional<QString> note;

    static Item read(const json::Reader& r)
    {
        return Item { r.required<qint64>(QLatin1StringView("id")), r.optional<bool>(QLatin1StringView("flag")),
                      r.lenient<QString>(QLatin1StringView("note")) };
    }
    void write(json::Writer& w) const
    {
        w.required(QLatin1StringView("id"), id);
        w.optional(QLatin1StringView("flag"), flag);
        w.optional(QLatin1StringView("note"), note);
    }
};

struct Box {
    QList<Item> items;
    static Box read(const json::Reader& r) { return Box { r.required<QList<Item>>(QLatin1StringView("items")) }; }
    void write(json::Writer& w) const { w.required(QLatin1StringView("items"), items); }
};

// A record that nests its own type, so reading a child relearns layouts while the
// parent's reader is still in use.
struct Node {
    std::optional<QList<Node>> children;
    qint64 id; // read after the children

    static Node read(const json::Reader& r)
    {
        return Node { r.optional<QList<Node>>("children"_L1), r.required<qint64>("id"_L1) };
    }
    void write(json::Writer& w) const
    {
        w.required("id"_L1, id);
        w.optional("children"_L1, children);
    }
};

// Asks for one key or another depending on a third: the same layout is read with
// its keys asked in another order.
struct Shape {
    qint64 size;
    static Shape read(const json::Reader& r)
    {
        const bool wide = r.required<QString>("kind"_L1) == u"wide";
        return Shape { r.required<qint64>(wide ? "wide"_L1 : "tall"_L1) };
    }
    void write(json::Writer& w) const { w.required("size"_L1, size); }
};

} // namespace

class TestJson : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void integers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("small") << QByteArray("5") << true << qint64(5);
        QTest::newRow("integral double") << QByteArray("5.0") << true << qint64(5);
        QTest::newRow("beyond 2^53") << QByteArray("9007199254740993") << true << qint64(9007199254740993LL);
        QTest::newRow("int64 max") << QByteArray("9223372036854775807") << true << std::numeric_limits<qint64>::max();
        QTest::newRow("int64 min") << QByteArray("-9223372036854775808") << true << std::numeric_limits<qint64>::min();
        QTest::newRow("fraction") << QByteArray("4.5") << false << qint64(0);
        QTest::newRow("beyond int64") << QByteArray("92233720368547758070") << false << qint64(0);
        QTest::newRow("string") << QByteArray("\"5\"") << false << qint64(0);
        QTest::newRow("boolean") << QByteArray("true") << false << qint64(0);
    }
    void integers()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(qint64, expected);
        try {
            const qint64 value = json::decode<qint64>(text);
            QVERIFY(ok);
            QCOMPARE(value, expected);
        } catch (const DecodeError& e) {
            QVERIFY2(!ok, e.what());
            QCOMPARE(e.kind(), DecodeError::Kind::TypeMismatch);
        }
    }

    // A decoding error names its kind, then where and why when known, for the log.
    void errorsDescribeThemselves_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("description");
        QTest::newRow("everything") << int(DecodeError::Kind::TypeMismatch) << u"user.openId"_s << u"expected a string"_s
                                    << u"type mismatch at user.openId: expected a string"_s;
        QTest::newRow("no path") << int(DecodeError::Kind::DataCorrupted) << QString() << u"truncated"_s << u"data corrupted: truncated"_s;
        QTest::newRow("no detail") << int(DecodeError::Kind::KeyNotFound) << u"items[1].id"_s << QString() << u"key not found at items[1].id"_s;
        QTest::newRow("kind alone") << int(DecodeError::Kind::ValueNotFound) << QString() << QString() << u"value not found"_s;
    }
    void errorsDescribeThemselves()
    {
        QFETCH(int, kind);
        QFETCH(QString, path);
        QFETCH(QString, detail);
        QFETCH(QString, description);
        const DecodeError error(DecodeError::Kind(kind), path, detail);
        QCOMPARE(error.description(), description);
        QCOMPARE(QString::fromUtf8(error.what()), description);
    }

    // A field read as an int takes whole numbers in its range only.
    void intsStayInRange()
    {
        QCOMPARE(json::decode<int>(QByteArray("2147483647")), std::numeric_limits<int>::max());
        QCOMPARE(json::decode<int>(QByteArray("-2147483648")), std::numeric_limits<int>::min());
        for (const QByteArray& text : { QByteArray("2147483648"), QByteArray("-2147483649") }) {
            try {
                json::decode<int>(text);
                QFAIL(text.constData());
            } catch (const DecodeError& e) {
                QCOMPARE(e.kind(), DecodeError::Kind::DataCorrupted);
            }
        }
    }

    void records_data()
    {
        addDecodeColumns();
        QTest::newRow("minimal") << QByteArray(R"({"items":[{"id":1}]})") << decodes << QString();
        QTest::newRow("missing id") << QByteArray(R"({"items":[{"id":1},{}]})") << keyNotFound << u"items[1].id"_s;
        QTest::newRow("null id") << QByteArray(R"({"items":[{"id":null}]})") << valueNotFound << u"items[0].id"_s;
        QTest::newRow("number as boolean") << QByteArray(R"({"items":[{"id":1,"flag":1}]})") << typeMismatch
                                           << u"items[0].flag"_s;
        QTest::newRow("lenient wrong type") << QByteArray(R"({"items":[{"id":1,"note":7}]})") << decodes << QString();
        QTest::newRow("null element") << QByteArray(R"({"items":[null]})") << valueNotFound << u"items[0]"_s;
        QTest::newRow("not an object") << QByteArray(R"([1])") << typeMismatch << QString();
        QTest::newRow("not UTF-8") << QByteArray("{\"items\":[],\"x\":\"\xff\"}") << dataCorrupted << QString();
        QTest::newRow("truncated") << QByteArray(R"({"items":[)") << dataCorrupted << QString();
    }
    void records() { decodeRow<Box>(); }

    // Objects of one record type are read through remembered key layouts; whatever the
    // mix of layouts in a list, each element must read as it does on its own.
    void layoutsNeverMixKeys_data()
    {
        QTest::addColumn<QByteArray>("list"); // empty: many layouts of equal size
        QTest::newRow("many layouts mixed") << QByteArray();
        QTest::newRow("an extension of a remembered layout") << QByteArray(R"([{"flag":true,"id":1},{"flag":true,"id":2,"note":"n"}])");
        QTest::newRow("a prefix of a remembered layout") << QByteArray(R"([{"flag":true,"id":1,"note":"n"},{"flag":false,"id":2}])");
        QTest::newRow("keys written in another order") << QByteArray(R"([{"id":1,"note":"a","flag":true},{"note":"b","flag":false,"id":2}])");
        QTest::newRow("one key more, one less") << QByteArray(R"([{"id":1,"note":"a"},{"flag":true,"id":2},{"id":3}])");
    }
    void layoutsNeverMixKeys()
    {
        QFETCH(QByteArray, list);
        if (!list.isEmpty()) {
            const QJsonArray given = json::parse(list).toArray();
            const QList<Item> items = json::decode<QList<Item>>(QJsonValue(given));
            QCOMPARE(items.size(), given.size());
            for (qsizetype i = 0; i < given.size(); ++i) {
                const QJsonObject o = given.at(i).toObject();
                QCOMPARE(items[i].id, o.value(u"id"_s).toInteger());
                QCOMPARE(items[i].flag, o.contains(u"flag"_s) ? std::optional(o.value(u"flag"_s).toBool()) : std::nullopt);
                QCOMPARE(items[i].note, o.contains(u"note"_s) ? std::optional(o.value(u"note"_s).toString()) : std::nullopt);
            }
            return;
        }
        QJsonArray array;
        const QStringList extras { u"a"_s, u"b"_s, u"zz"_s, u"flag2"_s, u"Note"_s };
        for (int i = 0; i < 64; ++i) {
            QJsonObject o { { u"id"_s, i } };
            if (i % 2)
                o.insert(u"flag"_s, i % 4 == 1);
            if (i % 3 == 0)
                o.insert(u"note"_s, i % 9 == 0 ? QJsonValue(u"n%1"_s.arg(i)) : QJsonValue(i));
            if (i % 5 == 1)
                o.insert(u"flag"_s, QJsonValue::Null);
            // Extra keys give layouts of equal size but different keys.
            o.insert(extras[i % extras.size()], i);
            array.append(o);
        }
        const QList<Item> items = json::decode<QList<Item>>(QJsonValue(array));
        QCOMPARE(items.size(), array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            const Item alone = Item::read(json::Reader(array.at(i), json::Path {}));
            QCOMPARE(items[i].id, alone.id);
            QCOMPARE(items[i].flag, alone.flag);
            QCOMPARE(items[i].note, alone.note);
            QCOMPARE(items[i].id, i);
            QCOMPARE(items[i].flag.has_value(), i % 2 == 1 && i % 5 != 1);
            QCOMPARE(items[i].note.has_value(), i % 9 == 0);
        }
    }

    // A nested value is handed on as it stands: a null stays null, a missing key is undefined.
    void valuesAsTheyStand()
    {
        const json::Reader reader(json::parse(R"({"a":{"b":1},"n":null})"), json::Path {});
        QCOMPARE(reader.value(QLatin1StringView("a")), QJsonValue(QJsonObject { { u"b"_s, 1 } }));
        QVERIFY(reader.value(QLatin1StringView("n")).isNull());
        QVERIFY(reader.value(QLatin1StringView("missing")).isUndefined());
    }

    // One layout read with its keys asked in another order finds each key where it is.
    void keysAskedInAnotherOrder()
    {
        const auto shapes = json::decode<QList<Shape>>(
            json::parse(R"([{"kind":"wide","tall":1,"wide":2},{"kind":"tall","tall":3,"wide":4},{"kind":"wide","tall":5,"wide":6}])"));
        QCOMPARE(shapes.size(), 3);
        QCOMPARE((QList<qint64> { shapes[0].size, shapes[1].size, shapes[2].size }), (QList<qint64> { 2, 3, 6 }));
    }

    // The children's layouts push the parent's out of its type's memory while the
    // parent is still being read; its "id" must still be found where it is.
    void selfNestingRecords_data()
    {
        QTest::addColumn<int>("childCount");
        QTest::newRow("fewer layouts than remembered") << 3;
        QTest::newRow("parent's layout pushed out") << 20;
        QTest::newRow("pushed out many times over") << 100;
    }
    void selfNestingRecords()
    {
        QFETCH(int, childCount);
        QJsonArray children;
        for (int i = 0; i < childCount; ++i)
            children.append(QJsonObject { { u"id"_s, i }, { u"extra%1"_s.arg(i), true } });
        // "a" puts the parent's "id" at another position than any child's.
        const QJsonObject root { { u"a"_s, 0 }, { u"id"_s, 100 }, { u"children"_s, children }, { u"zzz"_s, 1 } };
        Node node { {}, 0 };
        try {
            node = json::decode<Node>(QJsonValue(root));
        } catch (const DecodeError& e) {
            QFAIL(e.what());
        }
        QCOMPARE(node.id, 100);
        QVERIFY(node.children);
        QCOMPARE(node.children->size(), childCount);
        QCOMPARE(node.children->last().id, childCount - 1);
    }

    // Text that has no UTF-8 form is corrupt data; a leading byte-order mark is not.
    void wholeCharactersAndByteOrderMark_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("parsed"); // written back; empty: refused
        QTest::newRow("pair") << QByteArray(R"(["x\ud83d\ude00y"])") << QByteArray("[\"x\xf0\x9f\x98\x80y\"]");
        QTest::newRow("pair in an object") << QByteArray(R"({"a":"\ud83d\ude00"})") << QByteArray("{\"a\":\"\xf0\x9f\x98\x80\"}");
        QTest::newRow("lone high inside") << QByteArray(R"(["x\ud800y"])") << QByteArray();
        QTest::newRow("lone high at the end") << QByteArray(R"({"a":"\ud800"})") << QByteArray();
        QTest::newRow("lone low") << QByteArray(R"("\udc00x")") << QByteArray();
        QTest::newRow("high then letter") << QByteArray(R"(["\ud800\u0041"])") << QByteArray();
        QTest::newRow("in a key") << QByteArray(R"({"\udfff":1})") << QByteArray();
        QTest::newRow("deep inside") << QByteArray(R"([{"a":[1,{"b":"\ud800"}]}])") << QByteArray();
        QTest::newRow("lone high in capitals") << QByteArray(R"(["\uD8FF"])") << QByteArray();
        QTest::newRow("lone low in capitals") << QByteArray(R"(["a\uDFFF"])") << QByteArray();
        QTest::newRow("pair in capitals") << QByteArray(R"(["\uD83D\uDE00"])") << QByteArray("[\"\xf0\x9f\x98\x80\"]");
        QTest::newRow("low before high") << QByteArray(R"(["\ude00\ud83d"])") << QByteArray();
        QTest::newRow("surrogate in UTF-8") << QByteArray("[\"\xed\xa0\x80\"]") << QByteArray();
        // A backslash written as such, then the letters: plain text, no escape.
        QTest::newRow("escaped backslash before u") << QByteArray(R"(["\\ud800"])") << QByteArray(R"(["\\ud800"])");
        QTest::newRow("escaped backslash, then a lone escape") << QByteArray("[\"\\\\\\ud800\"]") << QByteArray();
        QTest::newRow("escaped quote, then a lone escape") << QByteArray("[\"\\\"\\ud800\"]") << QByteArray();
        QTest::newRow("lone escape ending the text") << QByteArray(R"("\udbff")") << QByteArray();
        QTest::newRow("escape just below the range") << QByteArray(R"(["\ud7ff"])") << QByteArray("[\"\xed\x9f\xbf\"]");
        QTest::newRow("escape just above the range") << QByteArray(R"(["\ue000"])") << QByteArray("[\"\xee\x80\x80\"]");
        QTest::newRow("mark before an object") << QByteArray("\xef\xbb\xbf{\"a\":1}") << QByteArray("{\"a\":1}");
        QTest::newRow("mark before a scalar") << QByteArray("\xef\xbb\xbf 7") << QByteArray("7");
        QTest::newRow("two marks") << QByteArray("\xef\xbb\xbf\xef\xbb\xbf[]") << QByteArray();
        QTest::newRow("mark after a space") << QByteArray(" \xef\xbb\xbf[]") << QByteArray();
        // Written escaped: Qt's parser would drop it at the start of a string read back.
        QTest::newRow("mark starting a key") << QByteArray("{\"\xef\xbb\xbfk\\u00e9\":\"x\xef\xbb\xbf\"}") << QByteArray("{\"\\ufeffk\xc3\xa9\":\"x\\ufeff\"}");
    }
    void wholeCharactersAndByteOrderMark()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, parsed);
        QByteArray written;
        try {
            written = json::serialize(json::parse(text));
        } catch (const DecodeError& error) {
            QCOMPARE(error.kind(), DecodeError::Kind::DataCorrupted);
        }
        QCOMPARE(written, parsed);
        if (!written.isEmpty())
            QCOMPARE(json::serialize(json::parse(written)), written);
    }

    void scalarsAtTopLevel()
    {
        QCOMPARE(json::parse("7").toInteger(), 7);
        QVERIFY(json::parse(" null ").isNull());
        QCOMPARE(json::parse("\"x\"").toString(), QStringLiteral("x"));
        QCOMPARE(json::serialize(QJsonValue(true)), QByteArray("true"));
        for (const QByteArray& notOneValue : { QByteArray(""), QByteArray("  "), QByteArray("1,2") })
            QVERIFY_THROWS_EXCEPTION(DecodeError, json::parse(notOneValue));
    }
};

QTEST_GUILESS_MAIN(TestJson)
#include "tst_json.moc"

// The UDDF document writer against QXmlStreamWriter: the same calls must give
// the same bytes (indentation, empty elements, escaping, UTF-8) and the same
// verification text, whatever the texts hold.

#include "UddfDocumentWriter.h"
#include "UddfExport.h"

#include <QXmlStreamWriter>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

struct Op
{
    enum Kind {
        Start,
        StartElement,
        EndElement,
        LiteralAttribute,
        TextAttribute,
        TextElement,
        NumberElement,
        NumberElementWithAttribute,
        UncountedTextElement,
        EmptyElement,
        EmptyElementLiteralAttribute,
        EmptyElementTextAttribute,
        Comment,
        Finish,
    };
    Kind kind = Start;
    const char *name = "";
    const char *attribute = "";
    const char *literal = "";
    QString text;
    double number = 0;
    int decimals = 1;
};

using Script = QVector<Op>;

Op Make(Op::Kind kind, const char *name = "", const QString &text = QString())
{
    Op op;
    op.kind = kind;
    op.name = name;
    op.text = text;
    return op;
}

Op Literal(Op::Kind kind, const char *name, const char *attribute, const char *literal)
{
    Op op;
    op.kind = kind;
    op.name = name;
    op.attribute = attribute;
    op.literal = literal;
    return op;
}

Op Number(const char *name, double value, int decimals, const char *attribute = nullptr, const char *literal = "")
{
    Op op;
    op.kind = attribute ? Op::NumberElementWithAttribute : Op::NumberElement;
    op.name = name;
    op.attribute = attribute ? attribute : "";
    op.literal = literal;
    op.number = value;
    op.decimals = decimals;
    return op;
}

// The document and verification text as this program's writer gives them.
QPair<QByteArray, QByteArray> Written(const Script &script)
{
    QByteArray document;
    UddfDocumentWriter doc(&document);
    for (const Op &op : script) {
        switch (op.kind) {
        case Op::Start: doc.Start(op.name); break;
        case Op::StartElement: doc.StartElement(op.name); break;
        case Op::EndElement: doc.EndElement(); break;
        case Op::LiteralAttribute: doc.Attribute(op.attribute, op.literal); break;
        case Op::TextAttribute: doc.Attribute(op.attribute, op.text); break;
        case Op::TextElement: doc.TextElement(op.name, op.text); break;
        case Op::NumberElement: doc.NumberElement(op.name, op.number, op.decimals); break;
        case Op::NumberElementWithAttribute:
            doc.NumberElement(op.name, op.attribute, op.literal, op.number, op.decimals);
            break;
        case Op::UncountedTextElement: doc.UncountedTextElement(op.name, op.text); break;
        case Op::EmptyElement: doc.EmptyElement(op.name); break;
        case Op::EmptyElementLiteralAttribute: doc.EmptyElement(op.name, op.attribute, op.literal); break;
        case Op::EmptyElementTextAttribute: doc.EmptyElement(op.name, op.attribute, op.text); break;
        case Op::Comment: doc.Comment(op.text); break;
        case Op::Finish: doc.Finish(); break;
        }
    }
    return {document, doc.VerificationText()};
}

// The same calls through QXmlStreamWriter, the way documents were written
// before: texts filtered by XmlSafe, the verification text in Latin-1.
QPair<QByteArray, QByteArray> Reference(const Script &script)
{
    QString out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    QString verification;
    const auto L = [](const char *text) { return QString::fromLatin1(text); };
    for (const Op &op : script) {
        const QString safe = UddfExport::XmlSafe(op.text);
        const QString number = QString::number(op.number, 'f', op.decimals);
        switch (op.kind) {
        case Op::Start:
            xml.writeStartDocument();
            xml.writeStartElement(L(op.name));
            break;
        case Op::StartElement: xml.writeStartElement(L(op.name)); break;
        case Op::EndElement: xml.writeEndElement(); break;
        case Op::LiteralAttribute:
            xml.writeAttribute(L(op.attribute), L(op.literal));
            verification += L(op.attribute) + L(op.literal);
            break;
        case Op::TextAttribute:
            xml.writeAttribute(L(op.attribute), safe);
            verification += L(op.attribute) + safe;
            break;
        case Op::TextElement:
            xml.writeTextElement(L(op.name), safe);
            verification += safe;
            break;
        case Op::NumberElement:
            xml.writeTextElement(L(op.name), number);
            verification += number;
            break;
        case Op::NumberElementWithAttribute:
            xml.writeStartElement(L(op.name));
            xml.writeAttribute(L(op.attribute), L(op.literal));
            xml.writeCharacters(number);
            xml.writeEndElement();
            verification += L(op.attribute) + L(op.literal) + number;
            break;
        case Op::UncountedTextElement: xml.writeTextElement(L(op.name), safe); break;
        case Op::EmptyElement: xml.writeEmptyElement(L(op.name)); break;
        case Op::EmptyElementLiteralAttribute:
            xml.writeEmptyElement(L(op.name));
            xml.writeAttribute(L(op.attribute), L(op.literal));
            verification += L(op.attribute) + L(op.literal);
            break;
        case Op::EmptyElementTextAttribute:
            xml.writeEmptyElement(L(op.name));
            xml.writeAttribute(L(op.attribute), safe);
            verification += L(op.attribute) + safe;
            break;
        case Op::Comment: {
            QString comment = safe;
            comment.replace(QLatin1String("--"), QLatin1String("- -"));
            if (comment.endsWith(QLatin1Char('-')))
                comment += QLatin1Char(' ');
            xml.writeComment(comment);
            break;
        }
        case Op::Finish: xml.writeEndDocument(); break;
        }
    }
    return {out.toUtf8(), verification.toLatin1()};
}

// Everything XML escapes or cannot carry, Latin-1, beyond Latin-1 and
// beyond the basic plane, lone surrogates and the two non-characters.
const QString Hostile = QString::fromUtf8("a<b>&c\"d'e\tf\ng\rh ]]> \xC3\xA9 \xE2\x82\xAC \xE6\xBC\xA2 \xF0\x9D\x84\x9E")
    + QChar(0x01) + QChar(0x0B) + QChar(0x0C) + QChar(0x1F) + QChar(0x7F) + QChar(0xFFFE) + QChar(0xFFFF)
    + QChar(0xD800) + QStringLiteral("x") + QChar(0xDC00) + QStringLiteral("--y-");

QMap<QString, Script> Scripts()
{
    QMap<QString, Script> scripts;
    scripts.insert(QStringLiteral("nesting and empty elements"), Script{
        Make(Op::Start, "uddf"), Literal(Op::LiteralAttribute, "", "version", "3.3.0"),
        Make(Op::StartElement, "generator"), Make(Op::TextElement, "name", QStringLiteral("Quor Seavane")),
        Make(Op::TextElement, "empty", QString()), Make(Op::StartElement, "nothing"), Make(Op::EndElement),
        Make(Op::StartElement, "owner"), Make(Op::EmptyElement, "first"), Make(Op::EmptyElement, "second"),
        Make(Op::EndElement),
        Make(Op::StartElement, "rebreather"), Literal(Op::LiteralAttribute, "", "id", "rebreather"),
        Literal(Op::EmptyElementLiteralAttribute, "o2sensor", "id", "o2sensor_1"), Make(Op::EndElement),
        Make(Op::StartElement, "personal"), Make(Op::Comment, "", QStringLiteral("names -- unknown")),
        Make(Op::TextElement, "lastname", QStringLiteral("Diver")), Make(Op::EndElement),
        Make(Op::StartElement, "after"), Make(Op::UncountedTextElement, "para", QStringLiteral("notes")),
        Make(Op::Comment, "", QStringLiteral("trailing")), Make(Op::EndElement),
        Make(Op::StartElement, "dive"), Make(Op::StartElement, "samples"), Make(Op::StartElement, "waypoint"),
        Number("depth", 12.25, 1), Number("divetime", 60.0005, 3), Literal(Op::EmptyElementLiteralAttribute, "divemode", "type", "closedcircuit"),
        Number("setpo2", 130000, 1, "setby", "computer"), Literal(Op::EmptyElementLiteralAttribute, "universalalarm", "type", "high_oxygen"),
        Make(Op::TextElement, "alarm", QStringLiteral("error")), Make(Op::EndElement),
        Make(Op::StartElement, "applicationdata"), Make(Op::EmptyElement, "last"),
        Make(Op::Finish)});
    scripts.insert(QStringLiteral("hostile texts everywhere"), Script{
        Make(Op::Start, "uddf"), [] { Op op = Make(Op::TextAttribute, "", Hostile); op.attribute = "hostile"; return op; }(),
        Make(Op::TextElement, "text", Hostile), Make(Op::UncountedTextElement, "para", Hostile),
        Make(Op::Comment, "", Hostile), Make(Op::StartElement, "e"),
        [] { Op op = Make(Op::EmptyElementTextAttribute, "attr", Hostile); op.attribute = "value"; return op; }(),
        Make(Op::EndElement), Make(Op::Comment, "", QStringLiteral("-")), Make(Op::Finish)});
    scripts.insert(QStringLiteral("numbers Qt formats itself"), Script{
        Make(Op::Start, "uddf"), Number("nan", std::numeric_limits<double>::quiet_NaN(), 1),
        Number("infinity", -std::numeric_limits<double>::infinity(), 2), Number("negativezero", -0.0, 1),
        Number("smallnegative", -0.04, 1), Number("huge", 1.5e13, 1), Number("half", 0.125, 2),
        Number("kelvin", 12.5 + 273.15, 1), Number("attribute", -2.5e-7, 3, "ref", "x"), Make(Op::Finish)});
    scripts.insert(QStringLiteral("text then element"), Script{
        Make(Op::Start, "uddf"), Make(Op::StartElement, "mixed"), Make(Op::TextElement, "a", QStringLiteral("1")),
        Make(Op::StartElement, "inner"), Literal(Op::LiteralAttribute, "", "k", "v&\"<>"), Make(Op::EndElement),
        Make(Op::EndElement), Make(Op::Finish)});
    return scripts;
}

} // namespace

class TestUddfDocumentWriter : public QObject
{
    Q_OBJECT

private slots:
    void sameBytesAsQXmlStreamWriter_data()
    {
        QTest::addColumn<QString>("script");
        const QMap<QString, Script> scripts = Scripts();
        for (auto it = scripts.cbegin(); it != scripts.cend(); ++it)
            QTest::newRow(qPrintable(it.key())) << it.key();
    }
    void sameBytesAsQXmlStreamWriter()
    {
        QFETCH(QString, script);
        const Script ops = Scripts().value(script);
        const QPair<QByteArray, QByteArray> written = Written(ops);
        const QPair<QByteArray, QByteArray> reference = Reference(ops);
        QCOMPARE(written.first, reference.first);
        QCOMPARE(written.second, reference.second);
        QVERIFY(written.first.startsWith("<?xml version=\"1.0\"?>\n<uddf"));
    }

    void flagsCharactersItHadToDrop()
    {
        // XmlSafe keeps such characters away from the writer; should one get
        // through a literal value, the document says it is not whole.
        QByteArray document;
        UddfDocumentWriter doc(&document);
        doc.Start("uddf");
        doc.Attribute("ok", "plain");
        QVERIFY(!doc.HasError());
        doc.Attribute("bad", "a\x01z");
        doc.Finish();
        QVERIFY(doc.HasError());
        QVERIFY(document.contains("bad=\"az\""));
    }
};

QTEST_GUILESS_MAIN(TestUddfDocumentWriter)
#include "tst_UddfDocumentWriter.moc"

#include "UddfDocumentWriter.h"

#include "FixedPointText.h"
#include "UddfExport.h"

UddfDocumentWriter::UddfDocumentWriter(QByteArray *document) : m_document(document), m_body(document), m_xml(&m_declaration)
{
    m_xml.setAutoFormatting(true);
    m_number.reserve(FixedPointText::BufferSize);
}

void UddfDocumentWriter::Start(const QString &rootName)
{
    // Written to a string, the declaration names no encoding (UTF-8, the XML
    // default), as this program's files always have. Everything after it goes
    // to the byte buffer: the writer then copies its own markup (brackets,
    // indentation) as bytes, where writing to a string would make a string of
    // every piece.
    m_xml.writeStartDocument();
    m_document->append(m_declaration.toUtf8());
    m_body.open(QIODevice::WriteOnly);
    m_xml.setDevice(&m_body);
    m_xml.writeStartElement(rootName);
}

void UddfDocumentWriter::Count(const QString &text)
{
    // The same bytes QString::toLatin1 gives, appended without a temporary.
    const int at = m_verification.size();
    m_verification.resize(at + text.size());
    char *out = m_verification.data() + at;
    for (const QChar c : text)
        *out++ = c.unicode() < 0x100 ? char(c.unicode()) : '?';
}

const QString &UddfDocumentWriter::Number(double value, int decimals)
{
    char digits[FixedPointText::BufferSize];
    const int length = FixedPointText::Format(value, decimals, digits);
    if (length < 0) {
        m_number = QString::number(value, 'f', decimals);
        return m_number;
    }
    m_number.resize(length);
    QChar *out = m_number.data();
    for (int i = 0; i < length; ++i)
        out[i] = QLatin1Char(digits[i]);
    return m_number;
}

void UddfDocumentWriter::Attribute(const QString &name, const QString &value)
{
    const QString safe = UddfExport::XmlSafe(value);
    m_xml.writeAttribute(name, safe);
    Count(name);
    Count(safe);
}

void UddfDocumentWriter::TextElement(const QString &name, const QString &value)
{
    const QString safe = UddfExport::XmlSafe(value);
    m_xml.writeTextElement(name, safe);
    Count(safe);
}

void UddfDocumentWriter::TextElement(const QString &name, const QString &attribute, const QString &attributeValue,
                                     const QString &value)
{
    const QString safe = UddfExport::XmlSafe(value);
    m_xml.writeStartElement(name);
    Attribute(attribute, attributeValue);
    m_xml.writeCharacters(safe);
    m_xml.writeEndElement();
    Count(safe);
}

// Number texts need no filtering.
void UddfDocumentWriter::NumberElement(const QString &name, double value, int decimals)
{
    const QString &text = Number(value, decimals);
    m_xml.writeTextElement(name, text);
    Count(text);
}

void UddfDocumentWriter::NumberElement(const QString &name, const QString &attribute, const QString &attributeValue,
                                       double value, int decimals)
{
    m_xml.writeStartElement(name);
    Attribute(attribute, attributeValue);
    const QString &text = Number(value, decimals);
    m_xml.writeCharacters(text);
    m_xml.writeEndElement();
    Count(text);
}

void UddfDocumentWriter::UncountedTextElement(const QString &name, const QString &value)
{
    m_xml.writeTextElement(name, UddfExport::XmlSafe(value));
}

void UddfDocumentWriter::EmptyElement(const QString &name, const QString &attribute, const QString &value)
{
    m_xml.writeEmptyElement(name);
    if (!attribute.isEmpty())
        Attribute(attribute, value);
}

void UddfDocumentWriter::Comment(const QString &text)
{
    // "--" may not appear inside a comment.
    QString safe = UddfExport::XmlSafe(text);
    safe.replace(QLatin1String("--"), QLatin1String("- -"));
    m_xml.writeComment(safe);
}

void UddfDocumentWriter::Finish()
{
    m_xml.writeEndDocument();
    m_body.close();
}

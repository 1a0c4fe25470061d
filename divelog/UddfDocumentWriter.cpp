#include "UddfDocumentWriter.h"

#include "UddfExport.h"

UddfDocumentWriter::UddfDocumentWriter(QString *text) : m_xml(text)
{
    m_xml.setAutoFormatting(true);
}

void UddfDocumentWriter::Start(const QString &rootName)
{
    m_xml.writeStartDocument();
    m_xml.writeStartElement(rootName);
}

void UddfDocumentWriter::Attribute(const QString &name, const QString &value)
{
    const QString safe = UddfExport::XmlSafe(value);
    m_xml.writeAttribute(name, safe);
    m_verification += name;
    m_verification += safe;
}

void UddfDocumentWriter::TextElement(const QString &name, const QString &value)
{
    const QString safe = UddfExport::XmlSafe(value);
    m_xml.writeTextElement(name, safe);
    m_verification += safe;
}

void UddfDocumentWriter::TextElement(const QString &name, const QString &attribute, const QString &attributeValue,
                                     const QString &value)
{
    const QString safe = UddfExport::XmlSafe(value);
    m_xml.writeStartElement(name);
    Attribute(attribute, attributeValue);
    m_xml.writeCharacters(safe);
    m_xml.writeEndElement();
    m_verification += safe;
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

void UddfDocumentWriter::Finish() { m_xml.writeEndDocument(); }

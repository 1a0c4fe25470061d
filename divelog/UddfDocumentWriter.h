#pragma once

#include <QString>
#include <QXmlStreamWriter>

// An XML stream writer that also collects the document's verification text
// (every attribute's name and value and every text element's value, in write
// order) and filters all texts to what XML 1.0 can carry.
class UddfDocumentWriter
{
public:
    // Writing into a string and encoding once is much faster than encoding
    // every small piece on its way to a device.
    explicit UddfDocumentWriter(QString *text);

    void Start(const QString &rootName);
    void StartElement(const QString &name) { m_xml.writeStartElement(name); }
    void EndElement() { m_xml.writeEndElement(); }
    void Attribute(const QString &name, const QString &value);
    void TextElement(const QString &name, const QString &value);
    // A text element with one attribute.
    void TextElement(const QString &name, const QString &attribute, const QString &attributeValue, const QString &value);
    // A text element not counted in the verification text.
    void UncountedTextElement(const QString &name, const QString &value);
    void EmptyElement(const QString &name, const QString &attribute = QString(), const QString &value = QString());
    void Comment(const QString &text);
    void Finish();
    bool HasError() const { return m_xml.hasError(); }

    const QString &VerificationText() const { return m_verification; }

private:
    QXmlStreamWriter m_xml;
    QString m_verification;
};

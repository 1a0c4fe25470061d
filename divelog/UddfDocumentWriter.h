#pragma once

#include "ByteAppendDevice.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

// An XML stream writer that also collects the document's verification text
// (every attribute's name and value and every text element's value, in write
// order) and filters all texts to what XML 1.0 can carry.
class UddfDocumentWriter
{
public:
    // Appends the document to `document` as UTF-8.
    explicit UddfDocumentWriter(QByteArray *document);

    // Room for the verification text, to avoid regrowing a large buffer.
    void ReserveVerificationText(int bytes) { m_verification.reserve(bytes); }

    void Start(const QString &rootName);
    void StartElement(const QString &name) { m_xml.writeStartElement(name); }
    void EndElement() { m_xml.writeEndElement(); }
    void Attribute(const QString &name, const QString &value);
    void TextElement(const QString &name, const QString &value);
    // A text element with one attribute.
    void TextElement(const QString &name, const QString &attribute, const QString &attributeValue, const QString &value);
    // A number in fixed-point form with `decimals` decimals.
    void NumberElement(const QString &name, double value, int decimals);
    void NumberElement(const QString &name, const QString &attribute, const QString &attributeValue, double value, int decimals);
    // A text element not counted in the verification text.
    void UncountedTextElement(const QString &name, const QString &value);
    void EmptyElement(const QString &name, const QString &attribute = QString(), const QString &value = QString());
    void Comment(const QString &text);
    void Finish();
    bool HasError() const { return m_xml.hasError(); }

    // Latin-1, the form the verification code is taken over.
    const QByteArray &VerificationText() const { return m_verification; }

private:
    void Count(const QString &text);
    // Formats into m_number, reused so that numbers cost no allocation.
    const QString &Number(double value, int decimals);

    QString m_declaration;
    QByteArray *m_document;
    ByteAppendDevice m_body;
    QXmlStreamWriter m_xml;
    QByteArray m_verification;
    QString m_number;
};

#pragma once

#include <QByteArray>
#include <QString>

#include <cstring>
#include <vector>

// Writes a UDDF document as UTF-8 bytes, character for character what
// QXmlStreamWriter with auto-formatting writes for the same calls (four
// spaces of indentation, the same escaping, "<x></x>" for an empty text and
// "<x/>" for an element without content), and collects the document's
// verification text (every attribute's name and value and every text
// element's value, in write order, as Latin-1). All texts are filtered to
// what XML 1.0 can carry.
//
// A two-hour dive has about a hundred thousand elements. QXmlStreamWriter
// makes a string of every name, value and piece of markup and runs each
// through a text encoder; this writer appends bytes to one buffer, and its
// names and fixed values are byte literals. The test
// test_uddfdocumentwriter holds the two writers to the same output.
class UddfDocumentWriter
{
public:
    // Appends the document to `document`, which holds exactly the bytes
    // written so far once Finish() has run or the writer is gone.
    explicit UddfDocumentWriter(QByteArray *document);
    ~UddfDocumentWriter();
    UddfDocumentWriter(const UddfDocumentWriter &) = delete;
    UddfDocumentWriter &operator=(const UddfDocumentWriter &) = delete;

    // Room for the verification text, to avoid regrowing a large buffer.
    void ReserveVerificationText(int bytes) { m_verification.reserve(bytes); }

    // The XML declaration (naming no encoding: UTF-8, the XML default) and
    // the root element.
    void Start(const char *rootName);
    void StartElement(const char *name);
    void EndElement();
    // Element and attribute names, and values given as byte strings, are
    // ASCII literals; an element's name is kept by pointer until it ends.
    void Attribute(const char *name, const char *value);
    void Attribute(const char *name, const QString &value);
    void TextElement(const char *name, const QString &value);
    // A number in fixed-point form with `decimals` decimals.
    void NumberElement(const char *name, double value, int decimals);
    // The same with one attribute on the element.
    void NumberElement(const char *name, const char *attribute, const char *attributeValue, double value, int decimals);
    // A text element not counted in the verification text.
    void UncountedTextElement(const char *name, const QString &value);
    void EmptyElement(const char *name);
    void EmptyElement(const char *name, const char *attribute, const char *value);
    void EmptyElement(const char *name, const char *attribute, const QString &value);
    void Comment(const QString &text);
    // Closes every open element and ends the document.
    void Finish();
    // True when a text held a character the writer had to drop.
    bool HasError() const { return m_error; }

    // Latin-1, the form the verification code is taken over.
    const QByteArray &VerificationText() const { return m_verification; }

private:
    struct Tag
    {
        const char *name;
        int length;
    };

    // The state machine of QXmlStreamWriter's auto-formatting.
    bool FinishStartElement(bool contents = true);
    void Indent(int level);
    void OpenElement(const char *name);
    // Output goes through a pointer into the document's spare room: a
    // QByteArray append per piece costs more than the piece.
    void Room(int bytes)
    {
        if (m_capacity - m_used < bytes)
            Grow(bytes);
    }
    void Grow(int bytes);
    void Put(const char *bytes, int length)
    {
        Room(length);
        std::memcpy(m_data + m_used, bytes, size_t(length));
        m_used += length;
    }
    void Put(const char *text) { Put(text, int(std::strlen(text))); }
    void Put(char c)
    {
        Room(1);
        m_data[m_used++] = c;
    }
    void Trim();
    // Escapes as QXmlStreamWriter does; in attributes tab, newline and
    // carriage return become character references.
    void WriteEscaped(const QString &text, bool attribute);
    void WriteEscaped(const char *ascii, bool attribute);
    void Count(const QString &text);
    void Count(const char *ascii) { m_verification.append(ascii); }
    void Count(const char *bytes, int length) { m_verification.append(bytes, length); }
    void WriteNumberText(double value, int decimals);

    QByteArray *m_document;
    char *m_data = nullptr;
    int m_used = 0;
    int m_capacity = 0;
    QByteArray m_verification;
    std::vector<Tag> m_tags;
    bool m_inStartElement = false;
    bool m_inEmptyElement = false;
    bool m_lastWasStartElement = false;
    bool m_wroteSomething = false;
    bool m_error = false;
};

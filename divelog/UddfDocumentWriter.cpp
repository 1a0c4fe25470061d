#include "UddfDocumentWriter.h"

#include "FixedPointText.h"
#include "UddfExport.h"

#include <cstring>
#include <limits>

namespace {
constexpr int IndentUnitLength = 4;
// A line break and the indentation of up to 16 levels, written in one piece.
constexpr char NewLineAndIndent[] = "\n                                                                ";
constexpr int IndentedLevels = (int(sizeof NewLineAndIndent) - 2) / IndentUnitLength;

// The UTF-8 form of one UTF-16 code point into `bytes`; returns its length.
int Utf8(uint code, char *bytes)
{
    int n = 0;
    if (code < 0x80) {
        bytes[n++] = char(code);
    } else if (code < 0x800) {
        bytes[n++] = char(0xC0 | (code >> 6));
        bytes[n++] = char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes[n++] = char(0xE0 | (code >> 12));
        bytes[n++] = char(0x80 | ((code >> 6) & 0x3F));
        bytes[n++] = char(0x80 | (code & 0x3F));
    } else {
        bytes[n++] = char(0xF0 | (code >> 18));
        bytes[n++] = char(0x80 | ((code >> 12) & 0x3F));
        bytes[n++] = char(0x80 | ((code >> 6) & 0x3F));
        bytes[n++] = char(0x80 | (code & 0x3F));
    }
    return n;
}

// The markup QXmlStreamWriter writes for a character, or nullptr when the
// character stands for itself. `drop` is set for characters XML cannot carry.
const char *Escape(uint c, bool attribute, bool &drop)
{
    drop = false;
    switch (c) {
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '&': return "&amp;";
    case '"': return "&quot;";
    case '\t': return attribute ? "&#9;" : nullptr;
    case '\n': return attribute ? "&#10;" : nullptr;
    case '\r': return attribute ? "&#13;" : nullptr;
    default:
        drop = c < 0x20 || (c >= 0xFFFE && c <= 0xFFFF);
        return nullptr;
    }
}
} // namespace

UddfDocumentWriter::UddfDocumentWriter(QByteArray *document) : m_document(document)
{
    m_tags.reserve(16);
    // Whatever the array has reserved becomes room to write into.
    m_used = m_document->size();
    m_capacity = qMax(m_used, int(m_document->capacity()));
    m_document->resize(m_capacity);
    m_data = m_document->data();
}

UddfDocumentWriter::~UddfDocumentWriter() { Trim(); }

void UddfDocumentWriter::Grow(int bytes)
{
    // A QByteArray holds at most INT_MAX bytes. A document that would not
    // fit is void: it is marked as failed and what was written is dropped,
    // so the writing can go on harmlessly to its end.
    constexpr qint64 MaxSize = std::numeric_limits<int>::max() - 1;
    if (qint64(m_used) + bytes > MaxSize) {
        m_error = true;
        m_used = 0;
    }
    const qint64 wanted = qMax<qint64>(qint64(m_used) + bytes, qint64(m_capacity) * 2);
    m_capacity = int(qMin(MaxSize, qMax<qint64>(wanted, 4096)));
    m_document->resize(m_capacity);
    m_data = m_document->data();
}

void UddfDocumentWriter::Trim()
{
    if (m_document->size() != m_used)
        m_document->resize(m_used);
    m_capacity = m_used;
    m_data = m_document->data();
}

bool UddfDocumentWriter::FinishStartElement(bool contents)
{
    const bool hadSomethingWritten = m_wroteSomething;
    m_wroteSomething = contents;
    if (!m_inStartElement)
        return hadSomethingWritten;
    if (m_inEmptyElement) {
        Put("/>", 2);
        m_tags.pop_back();
        m_lastWasStartElement = false;
    } else {
        Put('>');
    }
    m_inStartElement = m_inEmptyElement = false;
    return hadSomethingWritten;
}

void UddfDocumentWriter::Indent(int level)
{
    const int inOnePiece = qMin(level, IndentedLevels);
    Put(NewLineAndIndent, 1 + inOnePiece * IndentUnitLength);
    for (int i = inOnePiece; i < level; ++i)
        Put(NewLineAndIndent + 1, IndentUnitLength);
}

void UddfDocumentWriter::OpenElement(const char *name)
{
    if (!FinishStartElement(false))
        Indent(int(m_tags.size()));
    const int length = int(std::strlen(name));
    m_tags.push_back({name, length});
    Put('<');
    Put(name, length);
    m_inStartElement = m_lastWasStartElement = true;
}

void UddfDocumentWriter::Start(const char *rootName)
{
    FinishStartElement(false);
    Put("<?xml version=\"1.0\"?>");
    OpenElement(rootName);
}

void UddfDocumentWriter::StartElement(const char *name) { OpenElement(name); }

void UddfDocumentWriter::EndElement()
{
    if (m_tags.empty())
        return;
    // Nothing written inside: close as an empty element.
    if (m_inStartElement && !m_inEmptyElement) {
        Put("/>", 2);
        m_lastWasStartElement = m_inStartElement = false;
        m_tags.pop_back();
        return;
    }
    if (!FinishStartElement(false) && !m_lastWasStartElement)
        Indent(int(m_tags.size()) - 1);
    if (m_tags.empty())
        return;
    m_lastWasStartElement = false;
    const Tag tag = m_tags.back();
    m_tags.pop_back();
    Put("</", 2);
    Put(tag.name, tag.length);
    Put('>');
}

void UddfDocumentWriter::WriteEscaped(const QString &text, bool attribute)
{
    const int size = text.size();
    const QChar *chars = text.constData();
    for (int i = 0; i < size; ++i) {
        uint c = chars[i].unicode();
        if (c < 0x80) {
            bool drop = false;
            if (const char *markup = Escape(c, attribute, drop))
                Put(markup);
            else if (drop)
                m_error = true;
            else
                Put(char(c));
            continue;
        }
        if (c >= 0xFFFE) {
            m_error = true;
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && chars[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(ushort(c), chars[++i].unicode());
        } else if (QChar::isSurrogate(c)) {
            // A lone surrogate (the callers filter them out) becomes '?' as
            // in Qt's encoder.
            Put('?');
            continue;
        }
        char bytes[4];
        Put(bytes, Utf8(c, bytes));
    }
}

void UddfDocumentWriter::WriteEscaped(const char *ascii, bool attribute)
{
    // Fixed values seldom need escaping: then they go out in one piece.
    const char *p = ascii;
    while (*p && uchar(*p) >= 0x20 && *p != '<' && *p != '>' && *p != '&' && *p != '"')
        ++p;
    if (!*p) {
        Put(ascii, int(p - ascii));
        return;
    }
    for (p = ascii; *p; ++p) {
        bool drop = false;
        if (const char *markup = Escape(uchar(*p), attribute, drop))
            Put(markup);
        else if (drop)
            m_error = true;
        else
            Put(*p);
    }
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

void UddfDocumentWriter::Attribute(const char *name, const char *value)
{
    Put(' ');
    Put(name);
    Put("=\"", 2);
    WriteEscaped(value, true);
    Put('"');
    Count(name);
    Count(value);
}

void UddfDocumentWriter::Attribute(const char *name, const QString &value)
{
    const QString safe = UddfExport::XmlSafe(value);
    Put(' ');
    Put(name);
    Put("=\"", 2);
    WriteEscaped(safe, true);
    Put('"');
    Count(name);
    Count(safe);
}

void UddfDocumentWriter::TextElement(const char *name, const QString &value)
{
    const QString safe = UddfExport::XmlSafe(value);
    OpenElement(name);
    FinishStartElement();
    WriteEscaped(safe, false);
    EndElement();
    Count(safe);
}

void UddfDocumentWriter::UncountedTextElement(const char *name, const QString &value)
{
    OpenElement(name);
    FinishStartElement();
    WriteEscaped(UddfExport::XmlSafe(value), false);
    EndElement();
}

void UddfDocumentWriter::WriteNumberText(double value, int decimals)
{
    // Number texts need neither filtering nor escaping.
    char digits[FixedPointText::BufferSize];
    const int length = FixedPointText::Format(value, decimals, digits);
    if (length < 0) {
        const QByteArray text = QString::number(value, 'f', decimals).toLatin1();
        Put(text.constData(), text.size());
        Count(text.constData(), text.size());
        return;
    }
    Put(digits, length);
    Count(digits, length);
}

void UddfDocumentWriter::NumberElement(const char *name, double value, int decimals)
{
    OpenElement(name);
    FinishStartElement();
    WriteNumberText(value, decimals);
    EndElement();
}

void UddfDocumentWriter::NumberElement(const char *name, const char *attribute, const char *attributeValue,
                                       double value, int decimals)
{
    OpenElement(name);
    Attribute(attribute, attributeValue);
    FinishStartElement();
    WriteNumberText(value, decimals);
    EndElement();
}

void UddfDocumentWriter::EmptyElement(const char *name)
{
    OpenElement(name);
    m_inEmptyElement = true;
}

void UddfDocumentWriter::EmptyElement(const char *name, const char *attribute, const char *value)
{
    EmptyElement(name);
    Attribute(attribute, value);
}

void UddfDocumentWriter::EmptyElement(const char *name, const char *attribute, const QString &value)
{
    EmptyElement(name);
    Attribute(attribute, value);
}

void UddfDocumentWriter::Comment(const QString &text)
{
    // "--" may not appear inside a comment, nor "-" at its end.
    QString safe = UddfExport::XmlSafe(text);
    safe.replace(QLatin1String("--"), QLatin1String("- -"));
    if (safe.endsWith(QLatin1Char('-')))
        safe += QLatin1Char(' ');
    if (!FinishStartElement(false))
        Indent(int(m_tags.size()));
    const QByteArray utf8 = safe.toUtf8();
    Put("<!--", 4);
    Put(utf8.constData(), utf8.size());
    Put("-->", 3);
    m_inStartElement = m_lastWasStartElement = false;
}

void UddfDocumentWriter::Finish()
{
    while (!m_tags.empty())
        EndElement();
    Put('\n');
    Trim();
}

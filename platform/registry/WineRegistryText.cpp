#include "WineRegistryText.h"

#include <QHash>

#include <climits>
#include <cstring>

using Platform::WineRegistryText::Line;

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

const char *skipSpace(const char *p, const char *end)
{
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

// Values are paths and numbers. Data of more bytes than this (Windows keeps paths below 32767
// characters) is no path: it is taken as damaged rather than kept in memory.
constexpr int largestValueBytes = 1 << 20;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char16_t controlEscape(char c)
{
    switch (c) {
    case 'a':
        return u'\a';
    case 'b':
        return u'\b';
    case 'e':
        return u'\x1b';
    case 'f':
        return u'\f';
    case 'n':
        return u'\n';
    case 'r':
        return u'\r';
    case 't':
        return u'\t';
    case 'v':
        return u'\v';
    default:
        return 0;
    }
}

// Appends raw bytes of the file, which Wine reads as UTF-8; nearly all of them are ASCII.
void appendRaw(QString *out, const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80) {
            out->append(QString::fromUtf8(begin, end - begin));
            return;
        }
    }
    out->append(QLatin1String(begin, end));
}

// Decodes Wine's escaped text from `p` up to the unescaped `endChar`: raw bytes are UTF-8,
// "\xNNNN" (one to four hex digits) and "\NNN" (one to three octal digits) are UTF-16 code
// units (characters beyond the BMP come as two "\x" surrogates), "\n" and friends are control
// characters and any other escaped character stands for itself ("\\", "\"", "\]"). Returns the
// position after `endChar`, or nullptr when the line ends first. Wine reads lines as C strings,
// so a NUL byte ends the line as well.
const char *decode(const char *p, const char *end, char endChar, QString *out)
{
    const char *run = p; // start of the raw bytes not yet appended
    const auto flush = [&](const char *upTo) {
        if (upTo > run)
            appendRaw(out, run, upTo);
    };
    while (p < end && *p != endChar && *p != '\0') {
        if (*p != '\\') {
            ++p;
            continue;
        }
        flush(p);
        if (++p == end || *p == '\0')
            return nullptr;
        if (const char16_t control = controlEscape(*p)) {
            out->append(QChar(control));
            run = ++p;
        } else if (*p == 'x' && p + 1 < end && hexDigit(p[1]) >= 0) {
            ++p;
            char16_t unit = 0;
            for (int digits = 0; digits < 4 && p < end && hexDigit(*p) >= 0; ++digits)
                unit = char16_t(unit * 16 + hexDigit(*p++));
            out->append(QChar(unit));
            run = p;
        } else if (*p >= '0' && *p <= '7') {
            char16_t unit = 0;
            for (int digits = 0; digits < 3 && p < end && *p >= '0' && *p <= '7'; ++digits)
                unit = char16_t(unit * 8 + (*p++ - '0'));
            out->append(QChar(unit));
            run = p;
        } else {
            run = p++; // the escaped character itself, even when it is `endChar`
        }
    }
    if (p == end || *p != endChar)
        return nullptr;
    flush(p);
    return p + 1;
}

bool startsWith(const char *p, const char *end, const char *prefix)
{
    const size_t length = std::strlen(prefix);
    return size_t(end - p) >= length && std::memcmp(p, prefix, length) == 0;
}

// Wine reads lines as C strings: a NUL byte ends the line.
const char *cStringEnd(const char *p, const char *end)
{
    const auto *nul = static_cast<const char *>(std::memchr(p, '\0', size_t(end - p)));
    return nul ? nul : end;
}

// strtoul(p, &next, 16) as Wine calls it: white space, a sign, "0x", the digits; a number too
// large gives ULONG_MAX, a minus sign negates. `next` stays at `p` when there is no number.
unsigned long strtoulHex(const char *p, const char *end, const char **next)
{
    *next = p;
    p = skipSpace(p, end);
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-'))
        ++p;
    if (end - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hexDigit(p[2]) >= 0)
        p += 2;
    if (p == end || hexDigit(*p) < 0)
        return 0;
    unsigned long value = 0;
    bool overflow = false;
    for (; p < end && hexDigit(*p) >= 0; ++p) {
        overflow = overflow || value > (ULONG_MAX >> 4);
        value = value * 16 + unsigned(hexDigit(*p));
    }
    *next = p;
    if (overflow)
        return ULONG_MAX;
    return negative ? 0 - value : value;
}

// Wine's parse_hex: numbers up to 0xff, each followed by optional white space, a comma and
// more white space. Appends to `bytes` when given; the position after the numbers, or nullptr
// for a number too large.
const char *hexBytes(const char *p, const char *end, QByteArray *bytes)
{
    while (p < end && hexDigit(*p) >= 0) {
        const unsigned long byte = strtoulHex(p, end, &p);
        if (byte > 0xff)
            return nullptr;
        if (bytes && bytes->size() <= largestValueBytes)
            bytes->append(char(byte));
        p = skipSpace(p, end);
        if (p < end && *p == ',')
            p = skipSpace(p + 1, end);
    }
    return p;
}

// Registry types, as "hex(N):" names them.
constexpr unsigned long RegSz = 1;
constexpr unsigned long RegExpandSz = 2;
constexpr unsigned long RegBinary = 3;
constexpr unsigned long RegDword = 4;
constexpr unsigned long RegDwordBigEndian = 5;
constexpr unsigned long RegQword = 11;

// What Windows' settings class makes of the bytes: UTF-16 text up to its first NUL (an odd
// last byte stands for a unit whose high byte is 0), or a number taken in the machine's byte
// order, for big-endian DWORDs too. Null for a number of the wrong size.
QString bytesAsText(const QByteArray &bytes, unsigned long type)
{
    const auto byteAt = [&](qsizetype i) {
        return i < bytes.size() ? quint64(static_cast<unsigned char>(bytes[i])) : 0;
    };
    if (type == RegSz || type == RegExpandSz) {
        QString text(QLatin1String(""));
        for (qsizetype i = 0; i < bytes.size(); i += 2) {
            const auto unit = char16_t(byteAt(i) | byteAt(i + 1) << 8);
            if (unit == 0)
                break;
            text.append(QChar(unit));
        }
        return text;
    }
    const qsizetype size = type == RegQword ? 8 : 4;
    if (bytes.size() != size)
        return QString();
    quint64 value = 0;
    for (qsizetype i = size - 1; i >= 0; --i)
        value = value << 8 | byteAt(i);
    return size == 8 ? QString::number(qint64(value)) : QString::number(qint32(quint32(value)));
}

} // namespace

bool Platform::WineRegistryText::isKeyLine(const Line &line)
{
    const char *p = skipSpace(line.begin, line.end);
    return p < line.end && *p == '[';
}

void Platform::WineRegistryText::foldKey(const QString &keyPath, QString *folded)
{
    folded->resize(keyPath.size());
    QChar *const begin = folded->data();
    QChar *out = begin;
    bool ascii = true;
    for (const QChar c : keyPath) {
        const char16_t unit = c.unicode();
        if (unit == u'\\') {
            if (out != begin && out[-1] != u'\\')
                *out++ = c;
        } else if (unit >= u'A' && unit <= u'Z') {
            *out++ = QChar(char16_t(unit + 32)); // nearly every key is ASCII: spare the tables
        } else {
            ascii = ascii && unit < 0x80;
            *out++ = c;
        }
    }
    if (out != begin && out[-1] == u'\\')
        --out;
    folded->truncate(out - begin);
    if (!ascii)
        *folded = folded->toCaseFolded();
}

size_t Platform::WineRegistryText::keyHash(const QString &folded)
{
    return qHash(QStringView(folded), QHashSeed::globalSeed());
}

bool Platform::WineRegistryText::keyOfLine(const Line &line, QString *decoded, QString *folded)
{
    const char *p = skipSpace(line.begin, line.end);
    if (p == line.end || *p != '[')
        return false;
    decoded->resize(0); // keeps the capacity
    if (!decode(p + 1, line.end, ']', decoded))
        return false;
    foldKey(*decoded, folded);
    return true;
}

bool Platform::WineRegistryText::parseValueLine(const Line &line, QString *name, const char **data)
{
    const char *p = skipSpace(line.begin, line.end);
    if (p == line.end)
        return false;
    if (*p == '@')
        ++p;
    else if (*p != '"' || !(p = decode(p + 1, line.end, '"', name)))
        return false;
    p = skipSpace(p, line.end);
    if (p == line.end || *p != '=')
        return false;
    *data = skipSpace(p + 1, line.end);
    return true;
}

QString Platform::WineRegistryText::valueText(const Line &line, const char *data,
                                              const NextLine &more, bool wanted)
{
    const char *end = cStringEnd(data, line.end);
    for (const char *tag : {"\"", "str:\"", "str(2):\""}) {
        if (!startsWith(data, end, tag))
            continue;
        if (!wanted || line.cut)
            return QString();
        QString text(QLatin1String("")); // an empty string value is found, not missing
        return decode(data + std::strlen(tag), end, '"', &text) ? text : QString();
    }
    if (startsWith(data, end, "dword:")) {
        const char *next = nullptr;
        return wanted ? QString::number(qint32(quint32(strtoulHex(data + 6, end, &next))))
                      : QString();
    }

    unsigned long type = RegBinary;
    const char *p = data + 4;
    if (startsWith(data, end, "hex(")) {
        type = strtoulHex(data + 4, end, &p);
        if (p == data + 4 || !startsWith(p, end, "):"))
            return QString();
        p += 2;
    } else if (!startsWith(data, end, "hex:")) {
        return QString();
    }

    // Bytes, over as many lines as end in a backslash: Wine takes the next line whatever it
    // holds, so it is used up here as well.
    QByteArray bytes;
    bool keep = wanted
        && (type == RegSz || type == RegExpandSz || type == RegDword || type == RegDwordBigEndian
            || type == RegQword);
    Line current = line;
    for (;;) {
        p = hexBytes(p, end, keep ? &bytes : nullptr);
        if (!p)
            return QString();
        keep = keep && bytes.size() <= largestValueBytes;
        p = skipSpace(p, end);
        if (p == end) {
            if (current.cut) // the bytes went on where the line was cut
                return QString();
            break;
        }
        if (*p != '\\' || !more(&current))
            return QString();
        end = cStringEnd(current.begin, current.end);
        p = skipSpace(current.begin, end);
    }
    if (!keep)
        return QString();
    return bytesAsText(bytes, type);
}

#include "platform/path_text.h"

#include <QDir>

bool StrEqualNoCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void SplitPathName(QString* directory, QString* fileName, const QString& path)
{
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/')) + 1;
    if (directory)
        *directory = path.left(cut);
    if (fileName)
        *fileName = path.mid(cut);
}

namespace {

constexpr char16_t kKeptByteBase = 0xDC00; // kept bytes are 0x80..0xFF: U+DC80..U+DCFF

// Whether path[i] is a kept byte: one of U+DC80..U+DCFF that does not end a
// surrogate pair (that one is text).
bool IsKeptByteAt(const QString& path, qsizetype i)
{
    const char16_t c = path[i].unicode();
    return c >= kKeptByteBase + 0x80 && c <= kKeptByteBase + 0xFF && !(i > 0 && path[i - 1].isHighSurrogate());
}

// The length of the valid UTF-8 sequence at bytes[i], with its code point in
// *code; 0 when there is none (bad lead byte, bad or missing continuation,
// overlong form, a surrogate or a code point above U+10FFFF).
qsizetype ValidUtf8Length(QByteArrayView bytes, qsizetype i, char32_t* code)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    qsizetype length = 0;
    char32_t& c = *code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (at(i + k) & 0x3F);
    }
    if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString PathFromNative(QByteArrayView bytes)
{
    QString path;
    path.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        char32_t code = 0;
        const qsizetype length = ValidUtf8Length(bytes, i, &code);
        if (length == 0) {
            path += QChar(char16_t(kKeptByteBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        // The decoded code point itself: Qt's decoder would drop a U+FEFF
        // as a byte-order mark, and the name would lose those bytes.
        if (QChar::requiresSurrogates(code)) {
            path += QChar(QChar::highSurrogate(code));
            path += QChar(QChar::lowSurrogate(code));
        } else {
            path += QChar(char16_t(code));
        }
        i += length;
    }
    return path;
}

QByteArray NativeFromPath(const QString& path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype start = 0; // the first character of the run of text not yet converted
    const auto flush = [&](qsizetype end) {
        if (end > start)
            bytes += QStringView(path).sliced(start, end - start).toUtf8();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!IsKeptByteAt(path, i))
            continue;
        flush(i);
        bytes += static_cast<char>(path[i].unicode() - kKeptByteBase);
        start = i + 1;
    }
    flush(path.size());
    return bytes;
}

QString AbsolutePathText(const QString& path, const QString& base)
{
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : base + QLatin1Char('/') + path);
}

QString DisplayPath(const QString& path)
{
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (IsKeptByteAt(shown, i))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

bool PathLostInDecoding(const QString& path)
{
    return path.contains(QChar::ReplacementCharacter);
}

#include "app/DisplayText.h"

#include <algorithm>

#include "platform/DisplayBytes.h"

namespace th {

QString displayText(std::string_view bytes) {
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* p = out.data();
    for (char ch : bytes)
        *p++ = QChar(static_cast<char16_t>(windows1252(static_cast<unsigned char>(ch))));
    return out;
}

namespace {

bool isControl(char16_t u) {
    return u < 0x20 || (u >= 0x7F && u < 0xA0);
}

// The characters that set a direction for the text after them: embeddings, overrides
// and isolates. Natural text of either direction needs none of them.
bool setsDirection(char16_t u) {
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

}  // namespace

QString controlsShown(const QString& text) {
    const auto plain = [](QChar c) {
        return !isControl(c.unicode()) && !setsDirection(c.unicode());
    };
    if (std::all_of(text.begin(), text.end(), plain)) return text;  // most text, as it is
    QString shown;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (isControl(u))
            shown += QString::asprintf("\\x%02X", static_cast<unsigned>(u));
        else if (setsDirection(u))
            shown += QString::asprintf("\\u%04X", static_cast<unsigned>(u));
        else
            shown += c;
    }
    return shown;
}

QString shownWithin(const QString& text, qsizetype most) {
    QString shown = controlsShown(text);
    if (shown.size() > most) {
        qsizetype cut = most;
        if (shown.at(cut - 1).isHighSurrogate()) --cut;  // never half a character
        shown = shown.left(cut) + QStringLiteral("\u2026");
    }
    // First-strong isolate ... pop directional isolate.
    return QChar(0x2068) + shown + QChar(0x2069);
}

}  // namespace th

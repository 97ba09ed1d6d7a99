#include "app/DisplayText.h"

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

QString controlsShown(const QString& text) {
    QString shown;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            shown += QString::asprintf("\\x%02X", static_cast<unsigned>(u));
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

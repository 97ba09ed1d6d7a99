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

}  // namespace th
